#include "pricetable/dayhourcodes.h"

#include "pricing/messagetable.h"

namespace vnd::pricetable
{

QString codeText(CodeTable table, const QString &stored, const MessageTable &messages)
{
    for (const CodeEntry &e : table)
        if (stored == QLatin1String(e.code))
            return messages.msg(QString::fromLatin1(e.messageKey));
    return {};
}

std::optional<QString> codeOfText(CodeTable table, const QString &text,
                                  const MessageTable &messages)
{
    for (const CodeEntry &e : table) {
        const QString shown = messages.msg(QString::fromLatin1(e.messageKey));
        // A key missing from the table must not turn an empty entry into a code.
        if (!shown.isEmpty() && text == shown)
            return QString::fromLatin1(e.code);
    }
    return std::nullopt;
}

QStringList codePickList(CodeTable table, const MessageTable &messages)
{
    QStringList list;
    for (const CodeEntry &e : table)
        list.append(messages.msg(QString::fromLatin1(e.messageKey)));
    return list;
}

} // namespace vnd::pricetable
