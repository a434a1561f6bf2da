#include "host/widgets/checkdatetime.h"

#include "host/services/codes.h"
#include "host/services/ui.h"

#include <QRegularExpression>

namespace vnd::widgets
{

std::optional<QDate> parseTypedDate(const QString &text)
{
    if (EmptyString(text))
        return QDate();
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*(\d{1,2})\s*/\s*(\d{1,2})\s*/\s*(\d{4})\s*$)"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate d(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
    if (!d.isValid())
        return std::nullopt;
    return d;
}

void CheckDateTime(data::Field &field, const QString &text)
{
    const auto date = parseTypedDate(text);
    if (!date)
        MensErro(QStringLiteral("'%1' não é uma data válida.").arg(text.trimmed()));
    if (date->isNull())
        field.clear();
    else
        field.setValue(*date);
}

QString weekDayName(const QDate &date)
{
    static const char *const names[] = {"Segunda", "Terça",  "Quarta", "Quinta",
                                        "Sexta",   "Sábado", "Domingo"};
    if (!date.isValid())
        return {};
    return QString::fromUtf8(names[date.dayOfWeek() - 1]);
}

} // namespace vnd::widgets
