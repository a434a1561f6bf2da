#pragma once
// Pure host services on codes and numbers.

#include <QString>

namespace vnd {

// Trims blanks; "T" and "" stay; a code of digits is left-padded with '0' to width;
// anything else stays as typed.
QString Ajusta(const QString &code, int width);

// Cut toward zero at two decimals, exact for decimal input: Trunc2(1.15) == 1.15.
double Trunc2(double x);
// Round half away from zero at n decimals, exact for decimal input.
double RoundDec(double x, int decimals);

// True when the text is empty or blank, also when a masked text shows only its literals
// ("  /  /    ", "  :  ", " .  .   .    ").
bool EmptyString(const QString &text);

} // namespace vnd
