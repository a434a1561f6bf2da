#pragma once
// Codes as the windows leave them, shared by the module and the server.

#include <QString>

namespace vnd
{

// Trims blanks; "T" and "" stay; a code of digits is left-padded with '0' to width;
// anything else stays as typed.
QString Ajusta(const QString &code, int width);

// True when the text is empty or blank, also when a masked text shows only its literals
// ("  /  /    ", "  :  ", " .  .   .    ").
bool EmptyString(const QString &text);

} // namespace vnd
