#pragma once
// Characters no stored text may hold, for the server's checks and the list text alike.

#include <QString>

namespace vnd::pricing
{

// Control and format characters (NUL, line breaks, bidi overrides such as U+202E, zero-width
// marks), line and paragraph separators, and lone surrogates: none belongs in a code or a name,
// and some would show one text while storing another.
bool isControlCharacter(char32_t c);
bool hasControlCharacter(QStringView text);
// The text with each such character shown as "?", for the log.
QString printable(QStringView text);

} // namespace vnd::pricing
