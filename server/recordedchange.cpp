#include "server/recordedchange.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <stdexcept>

namespace vnd::server
{

namespace
{

QJsonObject image(const QString &text)
{
    if (text.isEmpty())
        return {};
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8());
    if (!doc.isObject())
        throw std::runtime_error("change record image is not a JSON object");
    return doc.object();
}

std::optional<QString> fieldValue(const QJsonObject &image, const QString &field)
{
    const QJsonValue v = image.value(field);
    if (v.isString())
        return v.toString();
    return std::nullopt;
}

} // namespace

RecordLine recordLine(const RecordedTable &table, const QString &operation, const QString &key,
                      const QString &before, const QString &after)
{
    RecordLine line;
    line.table = table.name;
    line.operation = operation.isEmpty() ? QChar() : operation.at(0);
    const QJsonDocument keyDoc = QJsonDocument::fromJson(key.toUtf8());
    if (!keyDoc.isArray())
        throw std::runtime_error("change record key is not a JSON array");
    for (const QJsonValue &v : keyDoc.array())
        line.key << v.toString();
    line.before = image(before);
    line.after = image(after);
    // The key is the line's own; lines of the first version repeat it in the image.
    QJsonObject &whole = line.operation == QChar(kDeleted) ? line.before : line.after;
    if (line.operation != QChar(kAltered))
        for (qsizetype i = 0; i < table.key.size(); ++i)
            if (!whole.contains(table.key[i]))
                whole.insert(table.key[i], keyDoc.array().at(i));
    return line;
}

QList<FieldChange> fieldChanges(const RecordedTable &table, const RecordLine &line)
{
    QList<FieldChange> out;
    for (const QString &field : table.all()) {
        FieldChange c{field, fieldValue(line.before, field), fieldValue(line.after, field)};
        if (c.before != c.after)
            out << c;
    }
    return out;
}

QString keyText(const QStringList &values)
{
    return values.join(QChar(u'\x1f'));
}

StoredRow storedRow(const QJsonObject &image)
{
    StoredRow row;
    for (auto it = image.begin(); it != image.end(); ++it)
        row.insert(it.key(),
                   it->isString() ? std::optional<QString>(it->toString()) : std::nullopt);
    return row;
}

RowsByKey rowsBefore(const RecordedTable &table, RowsByKey now,
                     const QList<RecordLine> &newestFirst)
{
    for (const RecordLine &line : newestFirst) {
        StoredRow before;
        if (line.operation != QChar(kDeleted)) {
            const auto left = now.find(keyText(line.key));
            if (left != now.end()) {
                before = std::move(left->second);
                now.erase(left);
            }
        }
        if (line.operation == QChar(kInserted))
            continue;
        const StoredRow changed = storedRow(line.before);
        for (auto it = changed.begin(); it != changed.end(); ++it)
            before.insert(it.key(), it.value());
        // An alteration may have changed the key itself: the row before it had the old one.
        QStringList key;
        for (const QString &column : table.key)
            key << before.value(column).value_or(QString());
        now[keyText(key)] = std::move(before);
    }
    return now;
}

} // namespace vnd::server
