#include "tools/promotion/promotionrules.h"

namespace vnd::promotion
{

SelectionValues selectionValues(selection::Mode mode, const QString &list, const QString &start,
                                const QString &end)
{
    switch (mode) {
    case selection::Mode::Todos:
        return {QStringLiteral("T"), {}, {}, {}};
    case selection::Mode::Lista:
        return {{}, list, {}, {}};
    case selection::Mode::Intervalo:
        break;
    }
    return {{}, {}, start, end};
}

bool startAfterEnd(const QString &start, const QString &end)
{
    return QString::compare(start, end, Qt::CaseSensitive) > 0;
}

QString promotionFlag(int index)
{
    return index == 0 ? QStringLiteral("S") : QStringLiteral("N");
}

} // namespace vnd::promotion
