#pragma once
// The code tables of the day/hour price rules: stored codes and the message keys of their
// shown texts. The one definition for every window and tool that shows or takes them.

#include <QString>
#include <QStringList>

#include <optional>
#include <span>

namespace vnd
{
class MessageTable;
}

namespace vnd::pricetable
{

struct CodeEntry {
    const char *code;
    const char *messageKey;
};

using CodeTable = std::span<const CodeEntry>;

// NRDIASEMANPR: "1" Sunday .. "7" Saturday, "V" holiday eve, "F" holiday, "T" every day.
CodeTable diaSemanaCodes();
// IDPERVALORPR: "P" percentage, "V" fixed amount.
CodeTable perValorCodes();
// IDDESCACREPR: "D" discount, "A" increase.
CodeTable descAcreCodes();
// IDVISUACUPOM: "S" / "N".
CodeTable visualizaCodes();

// The code table of a coded day/hour field by name; empty for any other field.
CodeTable codeTableOf(const QString &fieldName);

// Shown text of a stored code: the first equal code in table order; "" for any other value.
QString codeText(CodeTable table, const QString &stored, const MessageTable &messages);
// Code of an entered text: whole, case-sensitive match in table order; nullopt leaves the
// field unchanged.
std::optional<QString> codeOfText(CodeTable table, const QString &text,
                                  const MessageTable &messages);
// The shown texts in table order, for pick lists (so a picked entry is always accepted).
QStringList codePickList(CodeTable table, const MessageTable &messages);

// The consumer-type code standing for all consumer types.
inline constexpr const char *kTodosTipoCons = "T";

} // namespace vnd::pricetable
