#include "pricetable/periodrules.h"

#include "pricing/messagetable.h"

namespace vnd::pricetable
{

QString periodStatusText(const QString &code, const MessageTable &messages)
{
    static const char *const keys[] = {"PENDENTE", "LIBERADA", "CONFIRMADA", "APROVADA"};
    const QString c = code.trimmed();
    if (c.size() != 1 || c.at(0) < QLatin1Char('1') || c.at(0) > QLatin1Char('4'))
        return {};
    return messages.msg(QString::fromLatin1(keys[c.at(0).unicode() - '1']));
}

// A missing date counts as the zero date: a missing start lies before every day, a missing
// end too, so a period without an end is never in force.
bool periodInForce(const QDate &start, const QDate &end, const QDate &today)
{
    const bool started = !start.isValid() || start <= today;
    const bool ended = !end.isValid() || today > end;
    return started && !ended;
}

QDate defaultPeriodStart(const QDate &latestEnd, const QDate &today)
{
    return latestEnd.isValid() ? latestEnd.addDays(1) : today;
}

QColor periodFontColor(const QDate &start, const QDate &end, const QDate &today)
{
    return periodInForce(start, end, today) ? QColor(0, 0, 0) : QColor(255, 0, 0);
}

QString periodCaption(const QString &table, const QString &name, const QDate &start,
                      const QDate &end)
{
    if (table.isEmpty())
        return {};
    QString text = QStringLiteral("Tabela %1").arg(table);
    if (!name.trimmed().isEmpty())
        text += QStringLiteral(" - ") + name.trimmed();
    const QString date = QStringLiteral("dd/MM/yyyy");
    if (start.isValid() && end.isValid())
        text +=
            QStringLiteral(", vigência de %1 a %2").arg(start.toString(date), end.toString(date));
    else if (start.isValid())
        text += QStringLiteral(", vigência a partir de %1").arg(start.toString(date));
    return text;
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
