#include "pricetable/dayhourcodes.h"

#include "host/services/messagetable.h"

namespace vnd::pricetable
{

namespace
{

// The week starts on Sunday.
const CodeEntry kDias[] = {
    {"1", "DOM"}, {"2", "SEG"}, {"3", "TER"}, {"4", "QUA"}, {"5", "QUI"},
    {"6", "SEX"}, {"7", "SAB"}, {"V", "VES"}, {"F", "FER"}, {"T", "TOD"},
};
const CodeEntry kPerValor[] = {{"P", "PER"}, {"V", "VAL"}};
const CodeEntry kDescAcre[] = {{"D", "DES"}, {"A", "ACR"}};
const CodeEntry kVisualiza[] = {{"S", "S"}, {"N", "N"}};

} // namespace

CodeTable diaSemanaCodes()
{
    return kDias;
}

CodeTable perValorCodes()
{
    return kPerValor;
}

CodeTable descAcreCodes()
{
    return kDescAcre;
}

CodeTable visualizaCodes()
{
    return kVisualiza;
}

CodeTable codeTableOf(const QString &fieldName)
{
    const QString name = fieldName.toUpper();
    if (name == QLatin1String("NRDIASEMANPR"))
        return kDias;
    if (name == QLatin1String("IDPERVALORPR"))
        return kPerValor;
    if (name == QLatin1String("IDDESCACREPR"))
        return kDescAcre;
    if (name == QLatin1String("IDVISUACUPOM"))
        return kVisualiza;
    return {};
}

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
