#include "pricing/diffpricerules.h"

#include "pricing/dayhourrules.h"

namespace vnd::diffprice
{

using pricing::Decimal;

QStringList dayCodes(const DayBoxes &boxes)
{
    if (boxes[TodosDias])
        return {QStringLiteral("T")};
    static const std::pair<DayBox, const char *> kCodes[] = {
        {Feriado, "F"}, {VesperaFeriado, "V"}, {Domingo, "1"}, {Segunda, "2"}, {Terca, "3"},
        {Quarta, "4"},  {Quinta, "5"},         {Sexta, "6"},   {Sabado, "7"},
    };
    QStringList codes;
    for (const auto &[box, code] : kCodes)
        if (boxes[box])
            codes << QString::fromLatin1(code);
    return codes;
}

const char *valueFault(bool percentage, Decimal amount)
{
    return !percentage && !(amount > 0) ? "VALINF" : nullptr;
}

const char *percentFault(bool percentage, bool increase, Decimal amount)
{
    if (!percentage || (amount > 0 && amount < 100))
        return nullptr;
    return increase ? "VRACRE" : "VRDESC";
}

std::optional<QString> storedTime(const QString &shown)
{
    if (shown.size() != 5 || shown.at(2) != u':')
        return std::nullopt;
    const QString digits = shown.left(2) + shown.mid(3);
    if (!pricing::isValidStoredTime(digits))
        return std::nullopt;
    const int h = digits.left(2).trimmed().toInt();
    const int m = digits.mid(2).trimmed().toInt();
    return QStringLiteral("%1%2").arg(h, 2, 10, QLatin1Char('0')).arg(m, 2, 10, QLatin1Char('0'));
}

const char *timeOrderFault(const QString &shownFrom, const QString &shownTo)
{
    const QString from = storedTime(shownFrom).value_or(shownFrom);
    const QString to = storedTime(shownTo).value_or(shownTo);
    return pricing::timeOrderFault(from, to) ? "HORARIO" : nullptr;
}

const char *validityFault(QDate from, QDate to, QDate periodStart, QDate periodEnd)
{
    const auto before = [](QDate a, QDate b) { return b.isValid() && (!a.isValid() || a < b); };
    if (before(to, from))
        return "ValDe";
    if (before(from, periodStart))
        return "DTVALIDADEINI";
    if (before(periodEnd, to))
        return "DTVALIDADEFIN";
    return nullptr;
}

} // namespace vnd::diffprice
