#pragma once
// Lifecycle rules of one day/hour price rule record (cdsPrecoHora): what it reads of the
// current item, its defaults, its identity and the edit-start key.

#include "host/data/clientdataset.h"
#include "pricing/decimal.h"

#include <QDate>
#include <QString>

namespace vnd
{
class MessageTable;
}

namespace vnd::pricetable
{

// The item price row current in the window (cdsItemPreco). A price without value reads 0.
struct CurrentItem {
    QString cdProduto;
    QString cdPrPaiTabPr;
    pricing::Decimal vrPrecItem;
    pricing::Decimal vrPrecItemDlv;
    pricing::Decimal vrPrecItemCmd;
    pricing::Decimal vrPrecItemCl;
    bool precItemEmpty = true;
    bool dlvEmpty = true;
    bool cmdEmpty = true;
};

// Reads the current record of cdsItemPreco; an empty item when it has none.
CurrentItem currentItemOf(const data::ClientDataSet &cdsItemPreco);

// Before-insert: a rule needs the item's consumer price; refused with PRECNCAD otherwise.
void precoHoraBeforeInsert(const CurrentItem &item, const MessageTable &messages);

// On new record: general modality on, delivery and comanda off.
void precoHoraNewRecord(data::ClientDataSet &cdsPrecoHora);

// The nine values that identify a rule, as the duplicate check sends them.
struct ModalidadeKey {
    QString cdTabePrec;
    QDate dtIniVgPrec;
    QString cdProduto;
    QString cdPrPaiTabPr;
    QString cdTipoConsPd;
    QString nrDiaSemanPr;
    QString hrIniPrecDia;
    QString hrFinPrecDia;
    QDate dtIniValPrec;

    friend bool operator==(const ModalidadeKey &, const ModalidadeKey &) = default;
};

ModalidadeKey modalidadeKeyOf(const data::ClientDataSet &cdsPrecoHora);

// stChavePrecoDia: the nine identity fields' texts joined without separators (dates as
// dd/MM/yyyy). Taken on entering edit, compared before post.
QString precoDiaChave(const data::ClientDataSet &cdsPrecoHora);

} // namespace vnd::pricetable
