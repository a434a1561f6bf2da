#include "pricetable/itempricecheck.h"

#include "host/services/codes.h"
#include "pricetable/itemprice.h"
#include "pricetable/rulehelpers.h"
#include "pricing/decimal.h"
#include "pricing/messagetable.h"

namespace vnd::pricetable
{

namespace
{

// Cut to two decimals on the exact decimal. Beyond the decimal's range a double has no
// cents left to cut (its spacing there is an eighth), so it stays as it is.
double trunc2(double v)
{
    if (const auto d = pricing::Decimal::fromDouble(v))
        return pricing::Trunc2(*d).toDouble();
    return v;
}

std::optional<ItemPriceFault> rangeFault(const char *field, const std::optional<double> &v,
                                         const MessageTable &m, const char *belowZero,
                                         const char *atLimit)
{
    const double x = v.value_or(0);
    if (belowZero && x < 0)
        return ItemPriceFault{field, m.msg(QString::fromLatin1(belowZero))};
    if (x >= kPriceLimit)
        return ItemPriceFault{field, m.msg(QString::fromLatin1(atLimit))};
    return std::nullopt;
}

bool isEmptyTime(const QString &stored)
{
    return EmptyString(stored);
}

std::optional<ItemPriceFault> timeFault(const char *field, const QString &stored,
                                        const MessageTable &m)
{
    const QString shown = timeEditText(stored, QString());
    if (storedTimeValid(stored, shown))
        return std::nullopt;
    return ItemPriceFault{
        field, QLatin1Char('\'') + shown + QLatin1Char('\'') + m.msg(QStringLiteral("HoraInv")),
        true};
}

} // namespace

void normaliseItemPrice(ItemPriceValues &v)
{
    if (EmptyString(v.varia))
        v.varia = QStringLiteral("N");
    for (std::optional<double> *p : {&v.delivery, &v.comanda})
        if (*p)
            **p = trunc2(**p);
    // Consumer and client prices are always written, so they never reach the empty list.
    v.preco = trunc2(v.preco.value_or(0));
    v.cliente = trunc2(v.cliente.value_or(0));
}

std::optional<ItemPriceFault> itemPriceFault(const ItemPriceValues &v, const MessageTable &m)
{
    if (auto f = rangeFault("VRPRECITEM", v.preco, m, "VrCons_Zero", "Ope_bl_VrPrec"))
        return f;
    if (v.delivery)
        if (auto f = rangeFault("VRPRECITEMDLV", v.delivery, m, "VrCons_Zero", "Ope_bl_VrPrec"))
            return f;
    if (v.comanda)
        if (auto f = rangeFault("VRPRECITEMCMD", v.comanda, m, "VrCons_Zero", "Ope_bl_VrPrec"))
            return f;
    if (auto f = rangeFault("VRPRECITEMCL", v.cliente, m, "VrClie_Zero", "Ope_bl_VrItemCl"))
        return f;
    if (auto f = rangeFault("VRPRESUGITEM", v.sugerido, m, "PRSUGMAIOR", "Ope_bl_VrItem_Sug"))
        return f;
    return rangeFault("VRCUSTITEM", v.calculado, m, nullptr, "Ope_bl_Vr_Cal");
}

std::optional<ItemPriceFault> itemTimeFault(const ItemPriceValues &v, const MessageTable &m)
{
    const bool iniEmpty = isEmptyTime(v.hrIni);
    const bool fimEmpty = isEmptyTime(v.hrFim);
    if (iniEmpty && !fimEmpty)
        return ItemPriceFault{"HRINIVENPROD", m.msg(QStringLiteral("HORAINIINF"))};
    if (!iniEmpty)
        if (auto f = timeFault("HRINIVENPROD", v.hrIni, m))
            return f;
    if (fimEmpty && !iniEmpty)
        return ItemPriceFault{"HRFIMVENPROD", m.msg(QStringLiteral("HORAFININF"))};
    if (!fimEmpty)
        return timeFault("HRFIMVENPROD", v.hrFim, m);
    return std::nullopt;
}

} // namespace vnd::pricetable
