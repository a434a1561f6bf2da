#pragma once
// Pure host services on codes and numbers.

#include "pricing/codes.h"

#include <QString>

namespace vnd
{

// Cut toward zero at two decimals, exact for decimal input: Trunc2(1.15) == 1.15.
double Trunc2(double x);
// Round half away from zero at n decimals, exact for decimal input.
double RoundDec(double x, int decimals);

} // namespace vnd
