#pragma once
// Checks on the texts the server stores: control characters, and codes in the form the
// windows give them.

#include <QString>

#include <optional>

namespace vnd::server
{

// Control and format characters (NUL, line breaks, bidi overrides such as U+202E, zero-width
// marks), line and paragraph separators, and lone surrogates: none belongs in a code or a name,
// and some would show one text while storing another.
bool isControlCharacter(char32_t c);
bool hasControlCharacter(QStringView text);
// The text with each such character shown as "?", for the log.
QString printable(QStringView text);

// A code as the windows' Ajusta leaves it: trimmed, digits left-padded with "0" to width, "T"
// (when allowed) and the empty text as they are. nullopt for anything else.
std::optional<QString> normalisedCode(const QString &code, int width, bool allowAll);

} // namespace vnd::server
