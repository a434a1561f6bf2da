#include "pricetable/itemprice.h"

#include "host/data/fieldvalue.h"
#include "host/services/codes.h"
#include "host/services/errors.h"
#include "host/services/ui.h"
#include "pricetable/rulehelpers.h"
#include "pricing/messagetable.h"

namespace vnd::pricetable
{

using data::ClientDataSet;
using data::Field;

CurrentPeriod currentPeriodOf(const ClientDataSet &cdsVigenciaTab)
{
    if (!cdsVigenciaTab.isActive() || cdsVigenciaTab.isEmpty())
        return {};
    return {cdsVigenciaTab.fieldByName(u"CDTABEPREC").asString(),
            dateOf(cdsVigenciaTab.fieldByName(u"DTINIVGPREC")),
            dateOf(cdsVigenciaTab.fieldByName(u"DTFINVGPREC"))};
}

void refuseItemInsert(ClientDataSet &)
{
    throw SilentAbort{};
}

void applyItemEditDefaults(ClientDataSet &cdsItemPreco, const CurrentPeriod &period)
{
    cdsItemPreco.fieldByName(u"CDTABEPREC").setValue(period.cdTabePrec);
    setDate(cdsItemPreco.fieldByName(u"DTINIVGPREC"), period.dtIniVgPrec);
    cdsItemPreco.fieldByName(u"IDPRODPROMOC").setValue(QStringLiteral("N"));
}

namespace
{

std::optional<double> priceOf(const Field &f)
{
    if (isEmptyField(f))
        return std::nullopt;
    return f.asFloat();
}

void setPrice(Field &f, const std::optional<double> &v)
{
    if (v)
        f.setValue(*v);
    else
        f.clear();
}

// The focus on the field, then the message; an invalid time is emptied on the way.
[[noreturn]] void refuse(ClientDataSet &ds, const ItemPriceFault &fault)
{
    Field &f = ds.fieldByName(QString::fromLatin1(fault.field));
    f.focusControl();
    if (fault.emptiesField)
        f.clear();
    MensErro(fault.message);
}

} // namespace

ItemPriceValues itemPriceValuesOf(const ClientDataSet &ds)
{
    ItemPriceValues v;
    v.preco = priceOf(ds.fieldByName(u"VRPRECITEM"));
    v.comanda = priceOf(ds.fieldByName(u"VRPRECITEMCMD"));
    v.delivery = priceOf(ds.fieldByName(u"VRPRECITEMDLV"));
    v.cliente = priceOf(ds.fieldByName(u"VRPRECITEMCL"));
    v.sugerido = priceOf(ds.fieldByName(u"VRPRESUGITEM"));
    v.calculado = priceOf(ds.fieldByName(u"VRCUSTITEM"));
    v.varia = ds.fieldByName(u"IDPRECVARIA").asString();
    v.promocao = ds.fieldByName(u"IDPRODPROMOC").asString();
    v.hrIni = ds.fieldByName(u"HRINIVENPROD").asString();
    v.hrFim = ds.fieldByName(u"HRFIMVENPROD").asString();
    return v;
}

ItemPriceReader::ItemPriceReader(const ClientDataSet &ds)
    : m_ds(ds), m_preco(ds.fieldByName(u"VRPRECITEM").index()),
      m_comanda(ds.fieldByName(u"VRPRECITEMCMD").index()),
      m_delivery(ds.fieldByName(u"VRPRECITEMDLV").index()),
      m_cliente(ds.fieldByName(u"VRPRECITEMCL").index()),
      m_sugerido(ds.fieldByName(u"VRPRESUGITEM").index()),
      m_calculado(ds.fieldByName(u"VRCUSTITEM").index()),
      m_varia(ds.fieldByName(u"IDPRECVARIA").index()),
      m_promocao(ds.fieldByName(u"IDPRODPROMOC").index()),
      m_hrIni(ds.fieldByName(u"HRINIVENPROD").index()),
      m_hrFim(ds.fieldByName(u"HRFIMVENPROD").index())
{
}

ItemPriceValues ItemPriceReader::at(int row) const
{
    // Prices have no text of their own, so "empty" is no value, as priceOf reads it.
    const auto price = [&](int field) -> std::optional<double> {
        const QVariant v = m_ds.valueAt(row, field);
        if (data::internal::isNullValue(v))
            return std::nullopt;
        return v.toDouble();
    };
    const auto text = [&](int field) { return m_ds.valueAt(row, field).toString(); };
    ItemPriceValues v;
    v.preco = price(m_preco);
    v.comanda = price(m_comanda);
    v.delivery = price(m_delivery);
    v.cliente = price(m_cliente);
    v.sugerido = price(m_sugerido);
    v.calculado = price(m_calculado);
    v.varia = text(m_varia);
    v.promocao = text(m_promocao);
    v.hrIni = text(m_hrIni);
    v.hrFim = text(m_hrFim);
    return v;
}

void itemPrecoBeforePost(ClientDataSet &ds, const MessageTable &m, QString &stCamposVazios)
{
    ItemPriceValues v = itemPriceValuesOf(ds);
    const ItemPriceValues loaded = v;
    normaliseItemPrice(v);
    if (v.varia != loaded.varia)
        ds.fieldByName(u"IDPRECVARIA").setValue(v.varia);
    setPrice(ds.fieldByName(u"VRPRECITEMDLV"), v.delivery);
    setPrice(ds.fieldByName(u"VRPRECITEMCMD"), v.comanda);
    setPrice(ds.fieldByName(u"VRPRECITEM"), v.preco);
    setPrice(ds.fieldByName(u"VRPRECITEMCL"), v.cliente);

    if (const auto fault = itemPriceFault(v, m))
        refuse(ds, *fault);
    stCamposVazios = buildCamposVazios(ds);
    if (const auto fault = itemTimeFault(v, m))
        refuse(ds, *fault);
}

QString buildCamposVazios(const ClientDataSet &ds)
{
    QString list;
    for (int i = 0; i < ds.fieldCount(); ++i) {
        const Field &f = ds.field(i);
        if (f.isCalculated())
            continue;
        if (f.isNull() || EmptyString(f.text()))
            list += f.fieldName() + QLatin1Char('|');
    }
    return list;
}

QString precoHoraFilterText(const CurrentPeriod &period, const QString &cdProduto,
                            const QString &cdPrPaiTabPr)
{
    return QStringLiteral("CDTABEPREC = '") + period.cdTabePrec + QStringLiteral("' and ") +
           QStringLiteral("DTINIVGPREC = '") + shortDateText(period.dtIniVgPrec) +
           QStringLiteral("' and ") + QStringLiteral("CDPRODUTO = '") + cdProduto +
           QStringLiteral("' and ") + QStringLiteral("CDPRPAITABPR = '") + cdPrPaiTabPr +
           QStringLiteral("'");
}

QString precoHoraFilterText(const CurrentPeriod &period, const ClientDataSet &cdsItemPreco)
{
    if (!cdsItemPreco.isActive() || cdsItemPreco.isEmpty())
        return precoHoraFilterText(period, QString(), QString());
    return precoHoraFilterText(period, cdsItemPreco.fieldByName(u"CDPRODUTO").asString(),
                               cdsItemPreco.fieldByName(u"CDPRPAITABPR").asString());
}

void applyPrecoHoraFilter(ClientDataSet &cdsPrecoHora, const QString &expression)
{
    cdsPrecoHora.setFiltered(false);
    cdsPrecoHora.setFilter(expression);
    cdsPrecoHora.setFiltered(true);
}

bool composicaoEnabled(const ClientDataSet &cdsItemPreco)
{
    if (!cdsItemPreco.isActive() || cdsItemPreco.isEmpty())
        return false;
    return cdsItemPreco.fieldByName(u"NRCOMPPROD").asFloat() > 0;
}

} // namespace vnd::pricetable
