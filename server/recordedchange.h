#pragma once
// Reading the change record's lines: which fields one line changed, and rows as they stood
// before a set of lines. Pure: the lines come in as the record keeps them.

#include "server/changerecordschema.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>

namespace vnd::server
{

// One line of the record, its images parsed; an absent image is an empty object. An
// insertion's or deletion's image holds the key too; an alteration's only the columns it
// changed.
struct RecordLine {
    QString table;
    QChar operation; // kInserted, kAltered, kDeleted
    QStringList key; // the key's values as stored text
    QJsonObject before;
    QJsonObject after;
};

// Parses the record's JSON texts, `items` the line's item columns (itemColumns(), in order);
// throws std::runtime_error on a line that is not the record's.
RecordLine recordLine(const RecordedTable &table, const QString &operation, const QString &key,
                      const QString &before, const QString &after, const QStringList &items);

// The line's whole key, from DSCHAVE and its item columns. Throws std::runtime_error.
QStringList lineKey(const RecordedTable &table, const QString &key, const QStringList &items);
// An image as a JSON object by column; empty text, an empty object. Throws std::runtime_error.
QJsonObject lineImage(const RecordedTable &table, const QString &image);

// A line's texts as lines of the first form kept them, for showing: the whole key; an image
// as an object by column, in the table's order. Texts already in that form come back as they
// are. Throw std::runtime_error.
QString wholeKeyText(const RecordedTable &table, const QString &key, const QStringList &items);
QString namedImageText(const RecordedTable &table, const QString &image);

// One row of a part (changeRecordParts) as a line of its own would hold it: the whole key, the
// images (empty for none).
struct PartRow {
    QJsonArray key;
    QString before, after;
};
// The part's rows, in the order they were written. Throws std::runtime_error on a part that
// is not the record's.
QList<PartRow> partRows(const QString &keys, const QString &before, const QString &after);
// A part's rows for showing: their count, first and last key, and the image they share, or the
// first one's followed by "…".
QString partKeyText(const QList<PartRow> &rows);
QString partImageText(const RecordedTable &table, const QList<PartRow> &rows, bool before);

struct FieldChange {
    QString field;
    std::optional<QString> before; // nullopt: no value (or no row)
    std::optional<QString> after;
};

// The fields whose values differ between the images, in the table's column order. An
// insertion shows the fields it gave a value, a deletion those that had one.
QList<FieldChange> fieldChanges(const RecordedTable &table, const RecordLine &line);

// Rows by key (values joined by '\x1f'), each field's stored text or no value.
using StoredRow = QHash<QString, std::optional<QString>>;
using RowsByKey = std::map<QString, StoredRow>;

QString keyText(const QStringList &values);
// The row an image describes.
StoredRow storedRow(const QJsonObject &image);

// The rows as they stood before the lines, given the rows now and every line written since,
// newest first: each line puts back the row as it was before it (an alteration, the columns
// it changed over the row it left).
RowsByKey rowsBefore(const RecordedTable &table, RowsByKey now,
                     const QList<RecordLine> &newestFirst);

} // namespace vnd::server
