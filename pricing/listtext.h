#pragma once
// The list text of a product selection: the picked product codes (CDPRODUTO), each exactly
// kCodeWidth characters and preceded by "_", with an optional closing "_". It is the only
// record of a picked list until confirmation, and it travels as such to the server, so the
// windows and the server read it with these functions alone.

#include <QString>
#include <QStringList>

#include <optional>

namespace vnd::selection
{

inline constexpr int kCodeWidth = 10;

// The codes read by position, as the windows read their list text: after each "_" the
// next kCodeWidth characters (fewer at the end of the text), then on past them. "_A_B_" and
// "_A_B" give A then B; a text without "_" gives nothing.
QStringList listCodes(const QString &list);

// The codes of a well-formed list text, trailing blanks of each dropped; nullopt when the
// text is anything else (a code of the wrong width, blank, or holding "_" or a control
// character; text before the first "_"). The empty text and a lone "_" hold no code.
std::optional<QStringList> wellFormedListCodes(const QString &list);

} // namespace vnd::selection
