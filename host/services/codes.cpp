#include "host/services/codes.h"

#include <charconv>
#include <cmath>
#include <string>

namespace vnd
{

namespace
{

// Cuts |x| at `decimals` decimal places on its shortest decimal form (the digits the user
// typed), so 1.15 stays 1.15 although the double is 1.149999...; with roundHalfUp, a
// dropped first digit of 5 or more carries into the kept ones (half away from zero).
double cutDecimal(double x, int decimals, bool roundHalfUp)
{
    if (!std::isfinite(x) || x == 0)
        return x;
    // The fixed form of any double fits: at most 309 integer or 324 decimal digits.
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::fixed);
    const std::string_view text(buf, r.ptr - buf);
    const size_t dot = text.find('.');
    std::string digits(text.substr(0, dot));
    qsizetype point = qsizetype(digits.size());
    if (dot != std::string_view::npos)
        digits.append(text.substr(dot + 1));

    const qsizetype keep = point + decimals; // digits kept, counted from the first
    if (keep >= qsizetype(digits.size()))
        return x; // nothing to cut
    bool up = roundHalfUp && keep >= 0 && digits[size_t(keep)] >= '5';
    digits.resize(size_t(std::max<qsizetype>(keep, 0)));
    if (up) {
        qsizetype i = qsizetype(digits.size()) - 1;
        for (; i >= 0; --i) {
            if (digits[size_t(i)] != '9') {
                ++digits[size_t(i)];
                break;
            }
            digits[size_t(i)] = '0';
        }
        if (i < 0) {
            digits.insert(digits.begin(), '1');
            ++point;
        }
    }
    // Rebuild as "<integer digits>[.<fraction digits>]".
    std::string out;
    const size_t pointAt = size_t(point);
    if (digits.size() <= pointAt) {
        out = digits;
        if (out.empty())
            out.push_back('0');
        out.append(pointAt - digits.size(), '0');
    } else {
        if (pointAt == 0)
            out.push_back('0');
        else
            out.append(digits, 0, pointAt);
        out.push_back('.');
        out.append(digits, pointAt);
    }
    double result = 0;
    std::from_chars(out.data(), out.data() + out.size(), result);
    if (result == 0)
        return 0.0; // no "-0" for a value cut to nothing
    return x < 0 ? -result : result;
}

} // namespace

double Trunc2(double x)
{
    return cutDecimal(x, 2, false);
}

double RoundDec(double x, int decimals)
{
    return cutDecimal(x, decimals, true);
}

} // namespace vnd
