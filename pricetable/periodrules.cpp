#include "pricetable/periodrules.h"

#include "host/services/messagetable.h"

namespace vnd::pricetable {

QString periodStatusText(const QString &code, const MessageTable &messages)
{
    static const char *const keys[] = {"PENDENTE", "LIBERADA", "CONFIRMADA", "APROVADA"};
    const QString c = code.trimmed();
    if (c.size() != 1 || c.at(0) < QLatin1Char('1') || c.at(0) > QLatin1Char('4'))
        return {};
    return messages.msg(QString::fromLatin1(keys[c.at(0).unicode() - '1']));
}

bool periodInForce(const QDate &start, const QDate &end, const QDate &today)
{
    return start.isValid() && end.isValid() && start <= today && today <= end;
}

QDate defaultPeriodStart(const QDate &latestEnd, const QDate &today)
{
    return latestEnd.isValid() ? latestEnd.addDays(1) : today;
}

QColor periodFontColor(const QDate &start, const QDate &end, const QDate &today)
{
    // An unset date compares as "before everything", so such a row shows red.
    const bool before = !start.isValid() || today < start;
    const bool after = !end.isValid() || today > end;
    return (before || after) ? QColor(255, 0, 0) : QColor(0, 0, 0);
}

QString formatMessage(QString text, const QStringList &args)
{
    for (const QString &a : args) {
        const qsizetype at = text.indexOf(QLatin1String("%s"));
        if (at < 0)
            break;
        text.replace(at, 2, a);
    }
    return text;
}

} // namespace vnd::pricetable
