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

RecordLine recordLine(const QString &table, const QString &operation, const QString &key,
                      const QString &before, const QString &after)
{
    RecordLine line;
    line.table = table;
    line.operation = operation.isEmpty() ? QChar() : operation.at(0);
    const QJsonDocument keyDoc = QJsonDocument::fromJson(key.toUtf8());
    if (!keyDoc.isArray())
        throw std::runtime_error("change record key is not a JSON array");
    for (const QJsonValue &v : keyDoc.array())
        line.key << v.toString();
    line.before = image(before);
    line.after = image(after);
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
        if (line.operation != QChar(kDeleted))
            now.erase(keyText(line.key));
        if (line.operation == QChar(kInserted))
            continue;
        // An alteration may have changed the key itself: the row before it had the old one.
        StoredRow before = storedRow(line.before);
        QStringList key;
        for (const QString &column : table.key)
            key << before.value(column).value_or(QString());
        now[keyText(key)] = std::move(before);
    }
    return now;
}

} // namespace vnd::server
