#pragma once
// Readable failure output for decimals.

#include "pricing/decimal.h"

#include <ostream>

namespace vnd::pricing
{
inline void PrintTo(Decimal d, std::ostream *os)
{
    *os << d.toString().toStdString();
}
} // namespace vnd::pricing
