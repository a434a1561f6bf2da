#pragma once
// Readable texts in failure messages instead of UTF-16 code units.

#include <QString>

#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
