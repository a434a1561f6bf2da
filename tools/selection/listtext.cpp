#include "tools/selection/listtext.h"

namespace vnd::selection
{

QStringList listCodes(const QString &list)
{
    // p is the 1-based position of the first "_" (0 when there is none), n the length.
    QStringList codes;
    QString rest = list;
    for (;;) {
        const qsizetype p = rest.indexOf(u'_') + 1;
        const qsizetype n = rest.size();
        if (p != 0 && p != n)
            codes.append(rest.mid(p, kCodeWidth));
        if (p == n)
            break;
        rest = rest.mid(p + kCodeWidth);
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
        for (QChar c : code)
            if (c == u'_' || c.category() == QChar::Other_Control)
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
