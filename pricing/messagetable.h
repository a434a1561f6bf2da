#pragma once
// A window's message table: entries "KEY|Text", looked up by key.

#include <QHash>
#include <QStringList>

namespace vnd {

class MessageTable
{
public:
    MessageTable() = default;
    explicit MessageTable(const QStringList &entries);
    void setEntries(const QStringList &entries);
    // The text of the key (exact match first, then case-insensitive); "" when absent.
    QString msg(const QString &key) const;
    bool contains(const QString &key) const;
    QStringList keys() const; // in table order

private:
    QStringList m_keys;
    QHash<QString, QString> m_texts;
};

} // namespace vnd
