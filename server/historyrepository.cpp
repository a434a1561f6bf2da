#include "server/historyrepository.h"

#include "server/callcontext.h"
#include "server/changerecordschema.h"
#include "server/errors.h"
#include "server/recordedchange.h"
#include "server/sqlstatement.h"
#include "server/unitofwork.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <functional>

namespace vnd::server
{

namespace
{

using data::FieldDef;
using data::FieldType;

// Where changes() selects DSCHAVE; the item columns just before it, the images after, then
// NRLINHAS.
constexpr int kKeyColumn = 11;
constexpr int kPartsColumn = 14;

const char kItem[] = "CDPRODUTO = ? AND CDTABEPREC = ? AND DTINIVGPREC = ? AND CDPRPAITABPR = ?";

// Times are read to the second, as the windows show them.
qint64 micros(const QDateTime &t)
{
    return t.toMSecsSinceEpoch() / 1000 * 1000000;
}

// The first moment after the second the time falls in: a time read to the second takes in
// every change made within it.
qint64 afterSecond(const QDateTime &t)
{
    return (t.toMSecsSinceEpoch() / 1000 + 1) * 1000000;
}

QDateTime timeOf(const QVariant &micros)
{
    return QDateTime::fromMSecsSinceEpoch(micros.toLongLong() / 1000).toLocalTime();
}

QVariantList itemValues(const ItemKey &item)
{
    return {item.product, item.table, item.period.toString(Qt::ISODate), item.parent};
}

// The item's columns as its lines hold them (itemColumns()).
QStringList lineItems(const ItemKey &item)
{
    return {item.table, item.period.toString(Qt::ISODate), item.product, item.parent};
}

QVariant text(const std::optional<QString> &v)
{
    return v ? QVariant(*v) : QVariant();
}

// The rule a day/hour line is about, as the grid names it.
QString ruleName(const RecordLine &line)
{
    return line.table == QLatin1String("ITEMPRECODIA") ? line.key.mid(4).join(QLatin1String(" / "))
                                                       : QString();
}

// One of an item's lines as read; a part's row comes as a line of its own.
struct ItemLine {
    qint64 number = 0;
    QVariant time;
    QString user, method, address, table, operation, key, before, after;
};

// Where an item's columns are in a table's key; -1 where it has none.
QList<qsizetype> itemPlaces(const RecordedTable &table)
{
    QList<qsizetype> out;
    for (const QString &c : itemColumns())
        out << table.key.indexOf(c);
    return out;
}

bool isItem(const QJsonArray &key, const QList<qsizetype> &places, const QStringList &items)
{
    for (qsizetype i = 0; i < places.size(); ++i)
        if (places[i] >= 0 && key.at(places[i]).toString() != items[i])
            return false;
    return true;
}

// The item's lines at or after a time, newest first, `extra` a further condition
// (" AND ...", its values bound thrice): those of single saves by the product index; those of
// bulk calls by time and product, one bulk call at a time (each found as the next time after
// the last), so their count, not the record's, costs; of a bulk call's parts, those whose
// range holds the product, and in them the item's rows.
void readItemLines(const QSqlDatabase &db, Dialect dialect, const ItemKey &item,
                   const QString &extra, const QVariantList &extraValues, qint64 from,
                   const std::function<void(const ItemLine &)> &row)
{
    const QString columns =
        QStringLiteral("NRALTERACAO, DTALTERACAO, CDUSUARIO, NMMETODO, DSENDERECO, NMTABELA,"
                       " IDOPERACAO, DSCHAVE, DSANTES, DSDEPOIS, NRLINHAS");
    const QString bulk = bulkLine(true, dialect);
    SqlStatement q(
        db, QStringLiteral(
                "WITH RECURSIVE lote(t) AS ("
                " SELECT MIN(DTALTERACAO) FROM HISTALTERACAO WHERE DTALTERACAO >= ? AND %3"
                " UNION ALL"
                " SELECT (SELECT MIN(DTALTERACAO) FROM HISTALTERACAO WHERE DTALTERACAO > lote.t"
                " AND %3) FROM lote WHERE lote.t IS NOT NULL)"
                " SELECT %1 FROM HISTALTERACAO WHERE %5 AND DTALTERACAO >= ? AND %4%2"
                " UNION ALL"
                " SELECT %1 FROM lote JOIN HISTALTERACAO ON DTALTERACAO = lote.t AND %5 AND %3%2"
                " UNION ALL"
                " SELECT %1 FROM lote JOIN HISTALTERACAO ON DTALTERACAO = lote.t AND"
                " NRLINHAS IS NOT NULL AND CDPRODUTO <= ? AND CDPRODUTOFIM >= ? AND"
                " CDTABEPREC = ? AND DTINIVGPREC = ?%2"
                " ORDER BY 1 DESC")
                .arg(columns, extra, bulk, bulkLine(false, dialect), QLatin1String(kItem)));
    q.bind(from);
    for (const QVariant &v : itemValues(item))
        q.bind(v);
    q.bind(from);
    for (const QVariant &v : extraValues)
        q.bind(v);
    for (const QVariant &v : itemValues(item))
        q.bind(v);
    for (const QVariant &v : extraValues)
        q.bind(v);
    q.bind(item.product)
        .bind(item.product)
        .bind(item.table)
        .bind(item.period.toString(Qt::ISODate));
    for (const QVariant &v : extraValues)
        q.bind(v);
    q.exec();
    const QStringList items = lineItems(item);
    while (q.next()) {
        ItemLine line{q.value(0).toLongLong(), q.value(1),
                      q.value(2).toString(),   q.value(3).toString(),
                      q.value(4).toString(),   q.value(5).toString(),
                      q.value(6).toString(),   q.value(7).toString(),
                      q.value(8).toString(),   q.value(9).toString()};
        if (q.value(10).isNull()) {
            row(line);
            continue;
        }
        const RecordedTable *table = recordedTable(line.table);
        if (!table)
            continue;
        const QList<PartRow> rows = partRows(line.key, line.before, line.after);
        const QList<qsizetype> places = itemPlaces(*table);
        for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
            if (!isItem(it->key, places, items))
                continue;
            line.key = QString::fromUtf8(QJsonDocument(it->key).toJson(QJsonDocument::Compact));
            line.before = it->before;
            line.after = it->after;
            row(line);
        }
    }
}

// A part's key or image (changes()'s `field`) as the Auditoria shows it: of the rows of the
// product filtered by, when it has any.
QString partText(const RecordedTable &table, const RowValues &row, int field,
                 const QString &product)
{
    QList<PartRow> rows =
        partRows(row.value(kKeyColumn).toString(), row.value(kKeyColumn + 1).toString(),
                 row.value(kKeyColumn + 2).toString());
    const qsizetype at = table.key.indexOf(QLatin1String("CDPRODUTO"));
    if (!product.isEmpty() && at >= 0) {
        QList<PartRow> its;
        for (const PartRow &r : rows)
            if (r.key.at(at).toString() == product)
                its << r;
        if (!its.isEmpty())
            rows = its;
    }
    if (field == kKeyColumn)
        return partKeyText(rows);
    return partImageText(table, rows, field == kKeyColumn + 1);
}

// Lines by time, from both of the indexes that hold their times (`condition` on the line, its
// values bound twice).
QString byTime(Dialect dialect, const QString &select, const QString &condition)
{
    return QStringLiteral("%1 WHERE %2 AND %3 UNION ALL %1 WHERE %2 AND %4")
        .arg(select, condition, bulkLine(true, dialect), bulkLine(false, dialect));
}

} // namespace

data::DataPacket HistoryRepository::itemHistory(const ItemKey &item) const
{
    data::DataPacket packet;
    packet.fields = {{QStringLiteral("NRALTERACAO"), FieldType::Integer, 0},
                     {QStringLiteral("DTALTERACAO"), FieldType::DateTime, 0},
                     {QStringLiteral("CDUSUARIO"), FieldType::String, 40},
                     {QStringLiteral("NMMETODO"), FieldType::String, 40},
                     {QStringLiteral("DSENDERECO"), FieldType::String, 100},
                     {QStringLiteral("NMTABELA"), FieldType::String, 20},
                     {QStringLiteral("IDOPERACAO"), FieldType::String, 1},
                     {QStringLiteral("DSREGRA"), FieldType::String, 60},
                     {QStringLiteral("NMCAMPO"), FieldType::String, 20},
                     {QStringLiteral("DSANTES"), FieldType::String, 40},
                     {QStringLiteral("DSDEPOIS"), FieldType::String, 40}};
    const QStringList items = lineItems(item);
    readItemLines(
        m_database.connection(), m_database.dialect(), item,
        QStringLiteral(" AND NMTABELA IN ('ITEMPRECO', 'ITEMPRECODIA')"), {}, 0,
        [&packet, &items](const ItemLine &l) {
            const RecordedTable *t = recordedTable(l.table);
            if (!t)
                return;
            const RecordLine line = recordLine(*t, l.operation, l.key, l.before, l.after, items);
            for (const FieldChange &c : fieldChanges(*t, line)) {
                // The item's own key is the window's selection; a rule's is named by DSREGRA.
                if (t->key.contains(c.field) && line.operation != QChar(kAltered))
                    continue;
                packet.rows.push_back({l.number, timeOf(l.time), l.user, l.method, l.address,
                                       l.table, QString(line.operation), ruleName(line), c.field,
                                       text(c.before), text(c.after)});
            }
        });
    return packet;
}

PacketQuery HistoryRepository::changes(const ChangeFilter &f) const
{
    QStringList where;
    QVariantList values;
    const auto add = [&](const char *condition, const QVariant &value) {
        where << QString::fromLatin1(condition);
        values << value;
    };
    if (f.from.isValid())
        add("DTALTERACAO >= ?", micros(f.from));
    if (f.to.isValid())
        add("DTALTERACAO < ?", afterSecond(f.to));
    if (!f.user.isEmpty())
        add("CDUSUARIO = ?", f.user);
    if (!f.method.isEmpty())
        add("NMMETODO = ?", f.method);
    if (!f.table.isEmpty())
        add("NMTABELA = ?", f.table.toUpper());
    if (!f.product.isEmpty()) {
        add("(CDPRODUTO = ? OR (NRLINHAS IS NOT NULL AND CDPRODUTO <= ? AND CDPRODUTOFIM >= ?))",
            f.product);
        values << f.product << f.product;
    }
    if (f.below > 0)
        add("NRALTERACAO < ?", f.below);
    const QString select =
        QStringLiteral("SELECT NRALTERACAO, DTALTERACAO, CDUSUARIO, DSENDERECO, NMMETODO,"
                       " NMTABELA, IDOPERACAO, CDTABEPREC, DTINIVGPREC, CDPRODUTO, CDPRPAITABPR,"
                       " DSCHAVE, DSANTES, DSDEPOIS, NRLINHAS FROM HISTALTERACAO");
    QString sql = select;
    if (f.from.isValid() || f.to.isValid()) {
        sql = byTime(m_database.dialect(), select, where.join(QLatin1String(" AND ")));
        values += QVariantList(values);
    } else if (!where.isEmpty()) {
        sql += QStringLiteral(" WHERE ") + where.join(QLatin1String(" AND "));
    }
    values << f.limit;
    PacketQuery query =
        packetQuery(m_database, sql + QStringLiteral(" ORDER BY 1 DESC LIMIT ?"), values,
                    {{QStringLiteral("NRALTERACAO"), FieldType::Integer, 0},
                     {QStringLiteral("DTALTERACAO"), FieldType::DateTime, 0},
                     {QStringLiteral("CDUSUARIO"), FieldType::String, 40},
                     {QStringLiteral("DSENDERECO"), FieldType::String, 100},
                     {QStringLiteral("NMMETODO"), FieldType::String, 40},
                     {QStringLiteral("NMTABELA"), FieldType::String, 20},
                     {QStringLiteral("IDOPERACAO"), FieldType::String, 1},
                     {QStringLiteral("CDTABEPREC"), FieldType::String, 3},
                     {QStringLiteral("DTINIVGPREC"), FieldType::String, 10},
                     {QStringLiteral("CDPRODUTO"), FieldType::String, 10},
                     {QStringLiteral("CDPRPAITABPR"), FieldType::String, 10},
                     {QStringLiteral("DSCHAVE"), FieldType::String, 200},
                     {QStringLiteral("DSANTES"), FieldType::String, 2000},
                     {QStringLiteral("DSDEPOIS"), FieldType::String, 2000}});
    // The key and images read as the record's first form wrote them: the whole key, images
    // by column.
    query.columns = {0, PacketQuery::kComputed};
    for (int i = 2; i < query.fields.size(); ++i)
        query.columns.push_back(i < kKeyColumn ? i : PacketQuery::kComputed);
    query.computed = [product = f.product](const RowValues &row, int field) -> QVariant {
        if (field == 1)
            return timeOf(row.value(1));
        const QVariant stored = row.value(field);
        const RecordedTable *table = recordedTable(row.value(5).toString());
        if (!table || stored.isNull())
            return stored;
        try {
            if (!row.value(kPartsColumn).isNull())
                return partText(*table, row, field, product);
            if (field != kKeyColumn)
                return namedImageText(*table, stored.toString());
            QStringList items;
            for (qsizetype i = 0; i < itemColumns().size(); ++i)
                items << row.value(int(kKeyColumn - itemColumns().size() + i)).toString();
            return wholeKeyText(*table, stored.toString(), items);
        } catch (const std::runtime_error &) {
            return stored; // shown as it is kept
        }
    };
    return query;
}

data::DataPacket HistoryRepository::itemAt(const QString &tableName, const ItemKey &item,
                                           const QDateTime &at) const
{
    const RecordedTable *table = recordedTable(tableName);
    if (!table || !table->all().contains(QLatin1String("CDPRPAITABPR")))
        throw ServiceError::badRequest(
            QStringLiteral("Tabela sem preços de item: %1.").arg(tableName));
    const QSqlDatabase db = m_database.connection();
    const QStringList columns = table->all();
    data::DataPacket packet;
    QStringList selected;
    for (const QString &c : columns) {
        packet.fields.push_back({c, FieldType::String, 40});
        selected << QStringLiteral("CAST(%1 AS TEXT)").arg(c);
    }
    // The rows first, the lines after: a line written between the two reads puts back the row
    // as the first read saw it, so no snapshot is needed.
    RowsByKey rows;
    {
        SqlStatement q(
            db, QStringLiteral("SELECT %1 FROM %2 WHERE %3")
                    .arg(selected.join(QLatin1String(", ")), table->name, QLatin1String(kItem)));
        for (const QVariant &v : itemValues(item))
            q.bind(v);
        q.exec();
        while (q.next()) {
            StoredRow row;
            QStringList key;
            for (int i = 0; i < columns.size(); ++i) {
                const QVariant v = q.value(i);
                row.insert(columns[i],
                           v.isNull() ? std::nullopt : std::optional<QString>(v.toString()));
                if (i < table->key.size())
                    key << v.toString();
            }
            rows[keyText(key)] = row;
        }
    }
    QList<RecordLine> lines;
    {
        readItemLines(db, m_database.dialect(), item, QStringLiteral(" AND NMTABELA = ?"),
                      {table->name}, afterSecond(at),
                      [&, items = lineItems(item)](const ItemLine &l) {
                          lines << recordLine(*table, l.operation, l.key, l.before, l.after, items);
                      });
    }
    for (const auto &[key, row] : rowsBefore(*table, std::move(rows), lines)) {
        data::Row out;
        for (const QString &c : columns)
            out << text(row.value(c));
        packet.rows.push_back(std::move(out));
    }
    return packet;
}

qint64 HistoryRepository::prune(QDate before) const
{
    UnitOfWork work(m_database);
    const qint64 cutoff = micros(before.startOfDay());
    const QString older =
        byTime(m_database.dialect(), QStringLiteral("SELECT NRALTERACAO FROM HISTALTERACAO"),
               QStringLiteral("DTALTERACAO < ?"));
    SqlStatement count(work.db(), QStringLiteral("SELECT COUNT(*) FROM (%1) AS V").arg(older));
    count.bind(cutoff).bind(cutoff).exec();
    const qint64 removed = count.next() ? count.value(0).toLongLong() : 0;
    SqlStatement(work.db(),
                 QStringLiteral("DELETE FROM HISTALTERACAO WHERE NRALTERACAO IN (%1)").arg(older))
        .bind(cutoff)
        .bind(cutoff)
        .exec();
    const CallContext &call = currentCall();
    QJsonObject what{{QStringLiteral("ANTES"), before.toString(Qt::ISODate)},
                     {QStringLiteral("LINHAS"), QString::number(removed)}};
    SqlStatement(work.db(),
                 QStringLiteral("INSERT INTO HISTALTERACAO (DTALTERACAO, CDUSUARIO, DSENDERECO,"
                                " NMMETODO, NMTABELA, IDOPERACAO, DSCHAVE, DSANTES)"
                                " VALUES (?, ?, ?, ?, 'HISTALTERACAO', 'E', '[]', ?)"))
        .bind(microsecondsNow())
        .bind(call.session ? call.session->login : QString())
        .bind(call.address)
        .bind(call.method)
        .bind(QString::fromUtf8(QJsonDocument(what).toJson(QJsonDocument::Compact)))
        .exec();
    work.commit();
    return removed;
}

} // namespace vnd::server
