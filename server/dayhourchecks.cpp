#include "server/dayhourchecks.h"

#include "pricing/dayhourcodes.h"
#include "pricing/dayhourmessages.h"
#include "pricing/dayhourprice.h"
#include "pricing/dayhourrules.h"

namespace vnd::server
{

namespace
{

using pricing::Decimal;

// A field with no value reads as 0; one beyond the decimal's range as its limit.
Decimal decimalOf(const QVariant &v)
{
    return v.isNull() ? Decimal() : Decimal::clampedFromDouble(v.toDouble());
}

Decimal basePrice(const QVariant &price, const QVariant &clientPrice)
{
    const Decimal p = decimalOf(price);
    try {
        return p + decimalOf(clientPrice);
    } catch (const pricing::DecimalError &) {
        return p.isNegative() ? Decimal::min() : Decimal::max();
    }
}

// A price that cannot be represented reads as 0, which the price check refuses.
Decimal priceOf(pricing::DayHourTerms terms, const QVariant &value, Decimal base)
{
    try {
        return pricing::priceFromValue(terms, decimalOf(value), base);
    } catch (const pricing::DecimalError &) {
        return {};
    }
}

// The window also reads the shown hours and minutes as texts.
bool acceptedTime(const QString &stored)
{
    return pricing::isValidStoredTime(stored) && stored.left(2) <= QLatin1String("23") &&
           stored.mid(2, 2) <= QLatin1String("59");
}

bool isFlag(const QString &v)
{
    return v == QLatin1String("S") || v == QLatin1String("N");
}

QString message(const char *key)
{
    return pricing::dayHourMessage(QString::fromLatin1(key));
}

QString modalityFault(const QVariant &value, Decimal base, pricing::DayHourTerms terms)
{
    const char *fault = pricing::modalityFault(decimalOf(value), priceOf(terms, value, base), base);
    return fault ? message(fault) : QString();
}

} // namespace

QString dayHourRuleFault(const StoredRule &r, const RuleContext &ctx, bool inserting)
{
    if (!ctx.itemExists || (inserting && ctx.vrItem.isNull()))
        return message("PRECNCAD");
    // A stored code outside its table shows as an empty text, so the window asks for it.
    if (!pricing::isCode(pricing::diaSemanaCodes(), r.day))
        return message("DIAINF");
    if (!pricing::isCode(pricing::perValorCodes(), r.perValor))
        return message("PERVALINF");
    if (!pricing::isCode(pricing::descAcreCodes(), r.descAcre))
        return message("DESACRINF");
    for (const QString *time : {&r.fromTime, &r.toTime})
        if (!acceptedTime(*time))
            return pricing::invalidTimeMessage(*time);
    if (const char *fault = pricing::timeOrderFault(r.fromTime, r.toTime))
        return message(fault);
    const struct {
        const char *name;
        const QString &value;
    } flags[] = {{"IDTPMODGERAL", r.modGeral},
                 {"IDTPMODDLV", r.modDlv},
                 {"IDTPMODCMD", r.modCmd},
                 {"IDVISUACUPOM", r.visualiza}};
    for (const auto &flag : flags)
        if (!isFlag(flag.value))
            return QStringLiteral("Valor inválido para o campo %1.").arg(QLatin1String(flag.name));

    const auto terms = pricing::DayHourTerms::fromCodes(r.perValor, r.descAcre);
    const bool geral = r.modGeral == QLatin1String("S");
    const QString geralFault = modalityFault(r.value, basePrice(ctx.vrItem, ctx.vrItemCl), terms);
    if (geral && !geralFault.isEmpty())
        return geralFault;
    // Delivery and comanda need the item's own price of that modality first.
    const struct {
        const QString &flag;
        const QVariant &itemPrice, &value;
        const char *noPrice;
    } others[] = {{r.modDlv, ctx.vrItemDlv, r.valueDlv, "PRECDLV_ZERO"},
                  {r.modCmd, ctx.vrItemCmd, r.valueCmd, "PRECCMD_ZERO"}};
    for (const auto &m : others) {
        if (m.flag != QLatin1String("S"))
            continue;
        if (m.itemPrice.isNull())
            return message(m.noPrice);
        const QString f = modalityFault(m.value, basePrice(m.itemPrice, ctx.vrItemCl), terms);
        if (!f.isEmpty())
            return f;
    }
    // The general checks bind even with the general modality off.
    if (!geralFault.isEmpty())
        return geralFault;

    if (r.validFrom.isEmpty())
        return message("DtIniInf");
    if (r.start > r.validFrom)
        return message("DtIniValDevDt");
    if (r.validTo.isEmpty())
        return message("DtFinInf");
    if (r.validFrom > r.validTo)
        return message("DtFinValDev");
    if (r.validTo > ctx.periodEnd)
        return message("DtFinValDevDt");

    if (r.consumerType != QLatin1String(pricing::kTodosTipoCons) && !ctx.consumerTypeRegistered)
        return message("TpConsNCad");
    return {};
}

QString describe(const StoredRule &r)
{
    return QStringLiteral("tabela %1, vigência %2, produto %3 (pai %4), dia %5, %6-%7, tipo de "
                          "consumidor %8, validade %9")
        .arg(r.table, r.start, r.product, r.parent, r.day, r.fromTime, r.toTime, r.consumerType,
             r.validFrom);
}

} // namespace vnd::server
