#include "pricetable/itemprice.h"

#include "host/services/codes.h"
#include "host/services/errors.h"
#include "pricing/messagetable.h"
#include "pricetable/rulehelpers.h"
#include "pricing/decimal.h"

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

// Cut to two decimals on the exact decimal. Beyond the decimal's range a double has no
// cents left to cut (its spacing there is an eighth), so it stays as it is.
void trunc2(Field &f)
{
    if (const auto d = pricing::Decimal::fromDouble(f.asFloat()))
        f.setValue(pricing::Trunc2(*d).toDouble());
}

// An optional price keeps "no value"; a given one is cut to two decimals.
void truncOptional(Field &f)
{
    if (isEmptyField(f))
        f.clear();
    else
        trunc2(f);
}

void checkRange(Field &f, const MessageTable &m, const char *belowZero, const char *atLimit)
{
    if (f.asFloat() < 0)
        refuse(f, m, belowZero);
    if (f.asFloat() >= kPriceLimit)
        refuse(f, m, atLimit);
}

} // namespace

void itemPrecoBeforePost(ClientDataSet &ds, const MessageTable &m, QString &stCamposVazios)
{
    Field &varia = ds.fieldByName(u"IDPRECVARIA");
    Field &preco = ds.fieldByName(u"VRPRECITEM");
    Field &dlv = ds.fieldByName(u"VRPRECITEMDLV");
    Field &cmd = ds.fieldByName(u"VRPRECITEMCMD");
    Field &cliente = ds.fieldByName(u"VRPRECITEMCL");
    Field &sugerido = ds.fieldByName(u"VRPRESUGITEM");
    Field &calculado = ds.fieldByName(u"VRCUSTITEM");
    Field &hrIni = ds.fieldByName(u"HRINIVENPROD");
    Field &hrFim = ds.fieldByName(u"HRFIMVENPROD");

    if (isEmptyField(varia))
        varia.setValue(QStringLiteral("N"));
    truncOptional(dlv);
    truncOptional(cmd);
    // Consumer and client prices are always written, so they never reach the empty list.
    preco.setValue(preco.asFloat());
    cliente.setValue(cliente.asFloat());
    trunc2(preco);
    trunc2(cliente);

    checkRange(preco, m, "VrCons_Zero", "Ope_bl_VrPrec");
    if (!isEmptyField(dlv))
        checkRange(dlv, m, "VrCons_Zero", "Ope_bl_VrPrec");
    if (!isEmptyField(cmd))
        checkRange(cmd, m, "VrCons_Zero", "Ope_bl_VrPrec");
    checkRange(cliente, m, "VrClie_Zero", "Ope_bl_VrItemCl");
    checkRange(sugerido, m, "PRSUGMAIOR", "Ope_bl_VrItem_Sug");
    if (calculado.asFloat() >= kPriceLimit)
        refuse(calculado, m, "Ope_bl_Vr_Cal");

    stCamposVazios = buildCamposVazios(ds);

    const bool iniEmpty = isEmptyField(hrIni);
    const bool fimEmpty = isEmptyField(hrFim);
    if (iniEmpty && !fimEmpty)
        refuse(hrIni, m, "HORAINIINF");
    if (!iniEmpty)
        checkHoraVenda(hrIni, m);
    if (fimEmpty && !iniEmpty)
        refuse(hrFim, m, "HORAFININF");
    if (!fimEmpty)
        checkHoraVenda(hrFim, m);
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

void checkHoraVenda(Field &hora, const MessageTable &messages)
{
    checkStoredTime(hora, timeEditText(hora.asString(), QString()), messages);
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
