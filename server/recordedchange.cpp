#include "server/recordedchange.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <stdexcept>

namespace vnd::server
{

namespace
{

std::optional<QString> fieldValue(const QJsonObject &image, const QString &field)
{
    const QJsonValue v = image.value(field);
    if (v.isString())
        return v.toString();
    return std::nullopt;
}

QJsonArray jsonArray(const QString &text, const char *what)
{
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8());
    if (!doc.isArray())
        throw std::runtime_error(what);
    return doc.array();
}

QString compact(const QJsonArray &values)
{
    return QString::fromUtf8(QJsonDocument(values).toJson(QJsonDocument::Compact));
}

} // namespace

QStringList lineKey(const RecordedTable &table, const QString &key, const QStringList &items)
{
    const QJsonArray stored = jsonArray(key, "change record key is not a JSON array");
    QStringList out;
    if (stored.size() == table.key.size()) {
        for (const QJsonValue &v : stored)
            out << v.toString();
        return out;
    }
    qsizetype next = 0;
    for (const QString &c : table.key) {
        const qsizetype item = itemColumns().indexOf(c);
        out << (item >= 0 ? items.value(item) : stored.at(next++).toString());
    }
    if (next != stored.size())
        throw std::runtime_error("change record key does not fit its table");
    return out;
}

QJsonObject lineImage(const RecordedTable &table, const QString &image)
{
    if (image.isEmpty())
        return {};
    const QJsonDocument doc = QJsonDocument::fromJson(image.toUtf8());
    if (doc.isObject())
        return doc.object();
    if (!doc.isArray() || doc.array().size() > table.fields.size())
        throw std::runtime_error("change record image is neither a JSON object nor the table's");
    QJsonObject out;
    const QJsonArray values = doc.array();
    for (qsizetype i = 0; i < values.size(); ++i)
        out.insert(table.fields[i], values[i]);
    return out;
}

QString wholeKeyText(const RecordedTable &table, const QString &key, const QStringList &items)
{
    if (jsonArray(key, "change record key is not a JSON array").size() == table.key.size())
        return key;
    return compact(QJsonArray::fromStringList(lineKey(table, key, items)));
}

QString namedImageText(const RecordedTable &table, const QString &image)
{
    if (!image.startsWith(u'['))
        return image;
    const QJsonArray values = jsonArray(image, "change record image is not a JSON array");
    if (values.size() > table.fields.size())
        throw std::runtime_error("change record image does not fit its table");
    QString out(u'{');
    for (qsizetype i = 0; i < values.size(); ++i) {
        const QString value = compact({values[i]});
        out += QStringLiteral("%1\"%2\":%3")
                   .arg(i > 0 ? QStringLiteral(",") : QString(), table.fields[i],
                        value.mid(1, value.size() - 2));
    }
    return out + u'}';
}

RecordLine recordLine(const RecordedTable &table, const QString &operation, const QString &key,
                      const QString &before, const QString &after, const QStringList &items)
{
    RecordLine line;
    line.table = table.name;
    line.operation = operation.isEmpty() ? QChar() : operation.at(0);
    line.key = lineKey(table, key, items);
    line.before = lineImage(table, before);
    line.after = lineImage(table, after);
    // The key is the line's own; lines of the first version repeat it in the image.
    QJsonObject &whole = line.operation == QChar(kDeleted) ? line.before : line.after;
    if (line.operation != QChar(kAltered))
        for (qsizetype i = 0; i < table.key.size(); ++i)
            if (!whole.contains(table.key[i]))
                whole.insert(table.key[i], line.key[i]);
    return line;
}

QList<PartRow> partRows(const QString &keys, const QString &before, const QString &after)
{
    const QJsonArray k = jsonArray(keys, "change record part keys are not a JSON array");
    const auto images = [&k](const QString &text) {
        const QJsonArray out = text.isEmpty() ? QJsonArray()
                                              : jsonArray(text, "change record part images are"
                                                                " not a JSON array");
        if (!text.isEmpty() && out.size() != k.size() && out.size() != 1)
            throw std::runtime_error("change record part images do not fit its keys");
        return out;
    };
    const QJsonArray b = images(before), a = images(after);
    // One image alone stands for every row's.
    const auto image = [](const QJsonArray &all, qsizetype i) {
        if (all.size() == 1)
            i = 0;
        if (i >= all.size() || all[i].isNull())
            return QString();
        return QString::fromUtf8(
            all[i].isArray() ? QJsonDocument(all[i].toArray()).toJson(QJsonDocument::Compact)
                             : QJsonDocument(all[i].toObject()).toJson(QJsonDocument::Compact));
    };
    QList<PartRow> out;
    out.reserve(k.size());
    for (qsizetype i = 0; i < k.size(); ++i) {
        if (!k[i].isArray())
            throw std::runtime_error("change record part key is not a JSON array");
        out.push_back({k[i].toArray(), image(b, i), image(a, i)});
    }
    return out;
}

QString partKeyText(const QList<PartRow> &rows)
{
    if (rows.isEmpty())
        return QStringLiteral("0 linhas");
    if (rows.size() == 1)
        return compact(rows.first().key);
    return QStringLiteral("%1 linhas: %2 … %3")
        .arg(rows.size())
        .arg(compact(rows.first().key), compact(rows.last().key));
}

QString partImageText(const RecordedTable &table, const QList<PartRow> &rows, bool before)
{
    if (rows.isEmpty())
        return QString();
    const QString &first = before ? rows.first().before : rows.first().after;
    const bool shared = std::all_of(rows.begin(), rows.end(), [&](const PartRow &r) {
        return (before ? r.before : r.after) == first;
    });
    const QString shown = namedImageText(table, first);
    return shared ? shown : shown + QStringLiteral(" …");
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
