#pragma once
// The code tables of the day/hour price rules: stored codes and the message keys of their
// shown texts. The one definition for the windows, the tools and the server.

#include <QString>

#include <span>

namespace vnd::pricing
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

// The code table of a coded day/hour field by name (any letter case); empty for any other.
CodeTable codeTableOf(const QString &fieldName);

// Whether the stored value is one of the table's codes (exact, case-sensitive).
bool isCode(CodeTable table, const QString &stored);

// The consumer-type code standing for all consumer types.
inline constexpr const char *kTodosTipoCons = "T";

} // namespace vnd::pricing
