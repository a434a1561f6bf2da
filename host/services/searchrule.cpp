#include "host/services/searchrule.h"

namespace vnd
{

QString searchFold(const QString &text)
{
    bool plain = true;
    for (QChar c : text)
        if (c.unicode() >= 0x80) {
            plain = false;
            break;
        }
    if (plain)
        return text.toLower();
    // Decomposed, an accented letter is its base letter and a combining mark.
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(decomposed.size());
    for (QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing)
            out.append(c);
    return out.toCaseFolded();
}

bool beginsWith(const QString &text, const QString &wanted)
{
    return searchFold(text).startsWith(searchFold(wanted));
}

int findFolded(int count, int start, const QString &wantedFolded,
               const std::function<bool(int row, const QString &wantedFolded)> &beginsAt)
{
    if (wantedFolded.isEmpty() || count <= 0)
        return -1;
    start = start < 0 || start >= count ? 0 : start;
    for (int k = 0; k < count; ++k) {
        const int row = (start + k) % count;
        if (beginsAt(row, wantedFolded))
            return row;
    }
    return -1;
}

QString noMatchMessage(const QString &wanted)
{
    return QStringLiteral("Nenhum registro começa com \"%1\".").arg(wanted);
}

} // namespace vnd
