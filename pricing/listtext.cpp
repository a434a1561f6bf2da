#include "pricing/listtext.h"

#include "pricing/textcheck.h"

namespace vnd::selection
{

QStringList listCodes(const QString &list)
{
    // The remaining text starts at `from`; p is the 1-based position in it of its first "_"
    // (0 when there is none), n its length. Positions, not copies: a copy of the rest at every
    // code made a list of 100,000 codes quadratic.
    QStringList codes;
    const qsizetype size = list.size();
    qsizetype from = 0;
    for (;;) {
        const qsizetype bar = list.indexOf(u'_', from);
        const qsizetype p = bar < 0 ? 0 : bar - from + 1;
        const qsizetype n = size - from;
        if (p != 0 && p != n)
            codes.append(list.mid(from + p, kCodeWidth));
        if (p == n)
            break;
        from = std::min(from + p + kCodeWidth, size);
    }
    return codes;
}

std::optional<QStringList> wellFormedListCodes(const QString &list)
{
    QStringList codes;
    qsizetype i = 0;
    const qsizetype n = list.size();
    while (i < n) {
        if (list.at(i) != u'_')
            return std::nullopt;
        if (i + 1 == n)
            break; // the closing "_"
        if (i + 1 + kCodeWidth > n)
            return std::nullopt;
        QString code = list.mid(i + 1, kCodeWidth);
        if (code.contains(u'_') || pricing::hasControlCharacter(code))
            return std::nullopt;
        while (!code.isEmpty() && code.back() == u' ')
            code.chop(1);
        if (code.trimmed().isEmpty())
            return std::nullopt;
        codes.append(code);
        i += 1 + kCodeWidth;
    }
    return codes;
}

} // namespace vnd::selection
