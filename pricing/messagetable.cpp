#include "pricing/messagetable.h"

namespace vnd
{

MessageTable::MessageTable(const QStringList &entries)
{
    setEntries(entries);
}

void MessageTable::setEntries(const QStringList &entries)
{
    m_keys.clear();
    m_texts.clear();
    for (const QString &entry : entries) {
        // The text may hold bars of its own: only the first one separates.
        const qsizetype bar = entry.indexOf(u'|');
        const QString key = (bar < 0 ? entry : entry.left(bar)).trimmed();
        if (key.isEmpty() || m_texts.contains(key))
            continue; // the first entry of a key is the one that counts
        m_keys.append(key);
        m_texts.insert(key, bar < 0 ? QString() : entry.mid(bar + 1));
    }
}

QString MessageTable::msg(const QString &key) const
{
    const auto it = m_texts.constFind(key);
    if (it != m_texts.cend())
        return *it;
    for (const QString &k : m_keys) {
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            return m_texts.value(k);
    }
    return QString();
}

bool MessageTable::contains(const QString &key) const
{
    if (m_texts.contains(key))
        return true;
    for (const QString &k : m_keys) {
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QStringList MessageTable::keys() const
{
    return m_keys;
}

} // namespace vnd
