#pragma once
// Rules of the item price rows (cdsItemPreco) that the window's dataset hooks call.

#include "host/data/clientdataset.h"
#include "pricetable/itempricecheck.h"
#include "pricing/itempricebounds.h"

#include <QDate>
#include <QString>

namespace vnd
{
class MessageTable;
}

namespace vnd::pricetable
{

// The validity period current in the window (cdsVigenciaTab).
struct CurrentPeriod {
    QString cdTabePrec;
    QDate dtIniVgPrec;
    QDate dtFinVgPrec;
};

// Reads the current record of cdsVigenciaTab; all empty when it has none.
CurrentPeriod currentPeriodOf(const data::ClientDataSet &cdsVigenciaTab);

// Before-insert: rows only come from the server, so every insert ends silently.
[[noreturn]] void refuseItemInsert(data::ClientDataSet &cdsItemPreco);

// After-edit (and after-insert): the row takes the period as its key, and its promotion flag
// starts over at "N" on every edit.
void applyItemEditDefaults(data::ClientDataSet &cdsItemPreco, const CurrentPeriod &period);

// The row's values that the checks read.
ItemPriceValues itemPriceValuesOf(const data::ClientDataSet &cdsItemPreco);

// The same values of any stored row, for reading many: the fields are looked up once.
class ItemPriceReader
{
public:
    explicit ItemPriceReader(const data::ClientDataSet &cdsItemPreco);
    ItemPriceValues at(int row) const;

private:
    const data::ClientDataSet &m_ds;
    int m_preco, m_comanda, m_delivery, m_cliente, m_sugerido, m_calculado;
    int m_varia, m_promocao, m_hrIni, m_hrFim;
};

// Before-post: normalises the prices, runs every check in order (the first failure focuses
// its field and ends the post through MensErro) and rebuilds the empty-field list in
// stCamposVazios on the way.
void itemPrecoBeforePost(data::ClientDataSet &cdsItemPreco, const MessageTable &messages,
                         QString &stCamposVazios);

// "NAME|" for every field without value or with empty text, in field order.
QString buildCamposVazios(const data::ClientDataSet &cdsItemPreco);

// The day/hour filter of one item: "CDTABEPREC = 'x' and DTINIVGPREC = 'dd/MM/yyyy' and
// CDPRODUTO = 'y' and CDPRPAITABPR = 'z'".
QString precoHoraFilterText(const CurrentPeriod &period, const QString &cdProduto,
                            const QString &cdPrPaiTabPr);
// The same for the current row of cdsItemPreco (empty codes when it has none).
QString precoHoraFilterText(const CurrentPeriod &period, const data::ClientDataSet &cdsItemPreco);
// Switches the filter off, sets the expression and switches it back on.
void applyPrecoHoraFilter(data::ClientDataSet &cdsPrecoHora, const QString &expression);

// The composition page is open to composed products only (NRCOMPPROD > 0).
bool composicaoEnabled(const data::ClientDataSet &cdsItemPreco);

} // namespace vnd::pricetable
