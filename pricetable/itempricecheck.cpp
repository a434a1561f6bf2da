#include "pricetable/itempricecheck.h"

#include "host/services/codes.h"
#include "pricetable/itemprice.h"
#include "pricetable/rulehelpers.h"
#include "pricing/decimal.h"
#include "pricing/itempricebounds.h"
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
    // In the order of kItemPriceBounds; an empty price reads 0, which keeps every bound.
    const std::optional<double> prices[] = {v.preco,   v.delivery, v.comanda,
                                            v.cliente, v.sugerido, v.calculado};
    static_assert(std::size(prices) == std::size(pricing::kItemPriceBounds));
    for (std::size_t i = 0; i < std::size(prices); ++i) {
        const pricing::PriceBound &bound = pricing::kItemPriceBounds[i];
        if (const char *key = pricing::priceBoundFault(bound, prices[i].value_or(0)))
            return ItemPriceFault{bound.field, m.msg(QString::fromLatin1(key))};
    }
    return std::nullopt;
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
