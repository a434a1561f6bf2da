// The change record: every write method leaves the lines its rows imply, with who, from where
// and through which method; refused and rolled-back calls leave none; no method alters the
// record; an item reads as it stood at a past moment.

#include "server/bulkcapture.h"
#include "server/callcontext.h"
#include "server/changerecordschema.h"
#include "server/historyrepository.h"
#include "server/sqlstatement.h"
#include "serverfixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <map>
#include <optional>
#include <thread>

namespace vnd::server::test
{
namespace
{

using data::Row;
using Text = std::optional<QString>;
using Image = std::map<QString, Text>;
// Table -> key (values joined by '|') -> row.
using Snapshot = std::map<QString, std::map<QString, Image>>;

const QString kItemColumns[] = {QStringLiteral("CDTABEPREC"), QStringLiteral("DTINIVGPREC"),
                                QStringLiteral("CDPRODUTO"), QStringLiteral("CDPRPAITABPR")};

struct Line {
    qint64 number = 0;
    QString table, operation, key, user, address, method;
    std::optional<Image> before, after;
};

// An insertion's or deletion's image is an array of the table's fields in order; an
// alteration's, an object of the columns it changed; null or absent, none.
std::optional<Image> image(const RecordedTable &t, const QJsonValue &v)
{
    if (v.isNull() || v.isUndefined())
        return std::nullopt;
    Image out;
    const auto text = [](const QJsonValue &v) { return v.isNull() ? Text() : Text(v.toString()); };
    const QJsonObject o = v.toObject();
    for (auto it = o.begin(); it != o.end(); ++it)
        out[it.key()] = text(*it);
    const QJsonArray a = v.toArray();
    for (qsizetype i = 0; i < a.size(); ++i)
        out[t.fields.value(i, QStringLiteral("?"))] = text(a[i]);
    return out;
}

QJsonValue json(const QString &text)
{
    if (text.isEmpty())
        return QJsonValue::Null;
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8());
    return doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
}

// DSCHAVE holds the key columns the line does not hold as item columns, or the whole key.
QString lineKey(const RecordedTable &t, const QJsonArray &stored,
                const std::map<QString, QString> &items)
{
    QStringList key;
    if (stored.size() == t.key.size()) {
        for (const QJsonValue &v : stored)
            key << v.toString();
        return key.join(u'|');
    }
    qsizetype next = 0;
    for (const QString &c : t.key)
        key << (items.contains(c) ? items.at(c) : stored.at(next++).toString());
    EXPECT_EQ(next, stored.size());
    return key.join(u'|');
}

class HistoryTest : public ServerFixture
{
protected:
    void SetUp() override
    {
        ServerFixture::SetUp();
        m_start = currentPeriodStart(packet(QStringLiteral("getVigenciaTab"), {"001"}), today());
    }

    // Every recorded table's rows, read as stored text.
    Snapshot snapshot() const
    {
        Snapshot out;
        for (const RecordedTable &t : recordedTables()) {
            QStringList cast;
            for (const QString &c : t.all())
                cast << QStringLiteral("CAST(%1 AS TEXT)").arg(c);
            SqlStatement q(database().connection(),
                           QStringLiteral("SELECT %1 FROM %2").arg(cast.join(u','), t.name));
            q.exec();
            auto &rows = out[t.name];
            while (q.next()) {
                Image row;
                QStringList key;
                for (int i = 0; i < t.all().size(); ++i) {
                    const QVariant v = q.value(i);
                    row[t.all()[i]] = v.isNull() ? Text() : Text(v.toString());
                    if (i < t.key.size())
                        key << v.toString();
                }
                rows[key.join(u'|')] = row;
            }
        }
        return out;
    }
    qint64 lastLine() const
    {
        return scalar(QStringLiteral("SELECT COALESCE(MAX(NRALTERACAO), 0) FROM HISTALTERACAO"))
            .toLongLong();
    }
    // A part's rows (NRLINHAS of them, keys and images in arrays) come as lines of their own.
    std::vector<Line> linesAfter(qint64 number) const
    {
        SqlStatement q(database().connection(),
                       QStringLiteral("SELECT NRALTERACAO, NMTABELA, IDOPERACAO, DSCHAVE,"
                                      " CDUSUARIO, DSENDERECO, NMMETODO, DSANTES, DSDEPOIS,"
                                      " CDTABEPREC, DTINIVGPREC, CDPRODUTO, CDPRPAITABPR, NRLINHAS"
                                      " FROM HISTALTERACAO WHERE NRALTERACAO > ?"
                                      " ORDER BY NRALTERACAO"));
        q.bind(number).exec();
        std::vector<Line> out;
        while (q.next()) {
            const RecordedTable *t = recordedTable(q.value(1).toString());
            if (!t) {
                ADD_FAILURE() << q.value(1).toString().toStdString();
                continue;
            }
            std::map<QString, QString> items;
            for (int i = 0; i < 4; ++i)
                if (t->key.contains(kItemColumns[i]))
                    items[kItemColumns[i]] = q.value(9 + i).toString();
            const QJsonValue key = json(q.value(3).toString());
            const QJsonValue before = json(q.value(7).toString());
            const QJsonValue after = json(q.value(8).toString());
            const auto line = [&](const QJsonValue &k, const QJsonValue &b, const QJsonValue &a) {
                out.push_back({q.value(0).toLongLong(), t->name, q.value(2).toString(),
                               lineKey(*t, k.toArray(), items), q.value(4).toString(),
                               q.value(5).toString(), q.value(6).toString(), image(*t, b),
                               image(*t, a)});
            };
            if (q.value(13).isNull()) {
                line(key, before, after);
                continue;
            }
            const QJsonArray keys = key.toArray();
            EXPECT_EQ(keys.size(), q.value(13).toInt());
            // One image alone stands for every row's.
            const auto nth = [](const QJsonValue &images, qsizetype i) {
                const QJsonArray all = images.toArray();
                return all.at(all.size() == 1 ? 0 : i);
            };
            for (qsizetype i = 0; i < keys.size(); ++i)
                line(keys[i], nth(before, i), nth(after, i));
        }
        return out;
    }
    // The lines of one call replayed over the rows before it end at the rows after it: an
    // insertion finds no row and adds its key and image; an alteration names only columns it
    // changed, with what the row held in them; a deletion holds the whole row. Each line
    // names the call.
    void expectRecorded(const QString &method, Snapshot rows, const Snapshot &after,
                        const std::vector<Line> &lines) const
    {
        const std::string m = method.toStdString();
        for (const Line &l : lines) {
            EXPECT_EQ(l.user, QStringLiteral("gerente")) << m;
            EXPECT_EQ(l.address, QStringLiteral("127.0.0.1")) << m;
            EXPECT_EQ(l.method, method);
            const RecordedTable *t = recordedTable(l.table);
            ASSERT_TRUE(t) << m;
            const std::string where = m + " " + l.table.toStdString() + " " + l.key.toStdString();
            const QStringList keyValues = l.key.split(u'|');
            Image key;
            for (int i = 0; i < t->key.size(); ++i)
                key[t->key[i]] = keyValues.value(i);
            auto &table = rows[l.table];
            if (l.operation == u"I") {
                ASSERT_TRUE(l.after && !l.before) << where;
                EXPECT_FALSE(table.contains(l.key)) << where;
                Image row = *l.after;
                row.insert(key.begin(), key.end());
                table[l.key] = row;
            } else if (l.operation == u"E") {
                ASSERT_TRUE(l.before && !l.after) << where;
                Image row = *l.before;
                row.insert(key.begin(), key.end());
                EXPECT_EQ(table[l.key], row) << where;
                table.erase(l.key);
            } else {
                ASSERT_TRUE(l.before && l.after) << where;
                QStringList was = keyValues;
                for (int i = 0; i < t->key.size(); ++i)
                    if (l.before->contains(t->key[i]))
                        was[i] = l.before->at(t->key[i]).value_or(QString());
                Image row = table[was.join(u'|')];
                table.erase(was.join(u'|'));
                EXPECT_FALSE(l.before->empty()) << where;
                for (const auto &[column, value] : *l.before) {
                    EXPECT_EQ(row[column], value) << where << " " << column.toStdString();
                    ASSERT_TRUE(l.after->contains(column)) << where;
                    EXPECT_NE(l.after->at(column), value) << where;
                }
                EXPECT_EQ(l.after->size(), l.before->size()) << where;
                for (const auto &[column, value] : *l.after)
                    row[column] = value;
                table[l.key] = row;
            }
        }
        for (auto &[table, tableRows] : rows)
            EXPECT_EQ(tableRows, after.at(table)) << m << " " << table.toStdString();
    }
    data::DataPacket item(const QString &product) const
    {
        return packet(QStringLiteral("getItemPreco"), {"001", m_start, "4", product, ""});
    }
    // The first priced product of the current period.
    QString pricedProduct() const
    {
        return scalar(QStringLiteral("SELECT MIN(CDPRODUTO) FROM ITEMPRECO WHERE CDTABEPREC ="
                                     " '001' AND DTINIVGPREC = ? AND VRPRECITEM IS NOT NULL"
                                     " AND CDPRODUTO = CDPRPAITABPR"),
                      {m_start.toString(Qt::ISODate)})
            .toString();
    }
    Answer setPrice(const QString &product, const char *field, const QVariant &value) const
    {
        const data::DataPacket items = item(product);
        Row after = items.rows.at(0);
        after[items.indexOf(QString::fromLatin1(field))] = value;
        data::ChangeSet cs = changeSetFor(items);
        cs.changes.push_back(modify(items.rows.at(0), after));
        return call(QStringLiteral("SetItemPreco"), {cs, ""});
    }

    // A moment is read to the second: each is taken in a second no edit falls in.
    static QDateTime moment()
    {
        const QDateTime now = QDateTime::currentDateTime();
        std::this_thread::sleep_for(std::chrono::milliseconds(1050 - now.time().msec()));
        return now;
    }

    QDate m_start;
};

TEST_F(HistoryTest, EveryWriteMethodLeavesTheLinesItsRowsImply)
{
    // A bulk call's rows captured on SQLite are written after each statement here, not only
    // at the end: the lines keep each row's order either way.
    struct Settle {
        size_t was = BulkCapture::setSettleBytes(1);
        ~Settle() { BulkCapture::setSettleBytes(was); }
    } settle;
    const QString product = pricedProduct();
    const data::DataPacket rules = packet(QStringLiteral("GetPrecoHora"), {"001", m_start});
    ASSERT_FALSE(rules.rows.empty());
    const auto tables = packet(QStringLiteral("getTabGeral"), {});
    const auto branches = packet(QStringLiteral("getFilTab"), {"001"});

    struct Step {
        QString method;
        std::function<data::ValueArray()> args;
    };
    const std::vector<Step> steps = {
        {QStringLiteral("SetItemPreco"),
         [&] {
             const data::DataPacket items = item(product);
             Row after = items.rows.at(0);
             after[items.indexOf(QStringLiteral("VRPRECITEM"))] = 123.45;
             data::ChangeSet cs = changeSetFor(items);
             cs.changes.push_back(modify(items.rows.at(0), after));
             return data::ValueArray{cs, ""};
         }},
        {QStringLiteral("SetPrecoHora"),
         [&] {
             Row after = rules.rows[0];
             after[rules.indexOf(QStringLiteral("VRPRECODIA"))] = 7.25;
             data::ChangeSet cs = changeSetFor(rules);
             cs.changes.push_back(modify(rules.rows[0], after));
             return data::ValueArray{cs};
         }},
        {QStringLiteral("setTabGeral"),
         [&] {
             data::ChangeSet cs = changeSetFor(tables);
             cs.changes.push_back(insert({"030", "NOVA"}));
             return data::ValueArray{cs};
         }},
        {QStringLiteral("setVigenciaTab"),
         [&] {
             data::ChangeSet cs = changeSetFor(packet(QStringLiteral("getVigenciaTab"), {"001"}));
             cs.changes.push_back(insert(
                 {"030", today().addDays(1), today().addDays(9), QVariant(), QVariant(), "1"}));
             return data::ValueArray{cs};
         }},
        {QStringLiteral("setFilTab"),
         [&] {
             data::ChangeSet cs = changeSetFor(branches);
             const Row first = branches.rows.at(0);
             Row moved = first;
             moved[0] = "030";
             cs.changes.push_back(modify(first, moved));
             return data::ValueArray{cs};
         }},
        {QStringLiteral("setConfirmar"),
         [] {
             return data::ValueArray{" 9", "COPIA", "001", "", "T"};
         }},
        {QStringLiteral("SetAddPrefixo"),
         [] {
             return data::ValueArray{"PROMO ", "", "", "", "T"};
         }},
        {QStringLiteral("SetDelPrefixo"),
         [] {
             return data::ValueArray{"PROMO ", "", "", "", "T"};
         }},
        {QStringLiteral("SetUpdItemPrecoAlt"),
         [&] {
             return data::ValueArray{"S", "", "", "", "T", data::Value(), false, "001", m_start};
         }},
        {QStringLiteral("setApagaPreco"),
         [&] {
             return data::ValueArray{"001", m_start.toString(QStringLiteral("dd/MM/yyyy")), product,
                                     product};
         }},
        {QStringLiteral("setTabGeral"),
         [&] {
             data::ChangeSet cs = changeSetFor(tables);
             cs.changes.push_back(remove({"009", "COPIA"}));
             return data::ValueArray{cs};
         }},
    };
    const qint64 start = lastLine();
    const std::vector<Line> earlier = linesAfter(0);
    for (const Step &step : steps) {
        const Snapshot before = snapshot();
        const qint64 from = lastLine();
        const Answer a = call(step.method, step.args());
        ASSERT_EQ(a.status, 200) << step.method.toStdString() << ": "
                                 << a.reply.errorMessage.toStdString();
        const std::vector<Line> lines = linesAfter(from);
        EXPECT_FALSE(lines.empty()) << step.method.toStdString();
        expectRecorded(step.method, before, snapshot(), lines);
    }
    // The bulk copy recorded one line per copied row, the deleted copy one per removed row.
    EXPECT_GT(linesAfter(start).size(), 100u);
    // No call changed or removed an earlier line.
    const std::vector<Line> still = linesAfter(0);
    ASSERT_GE(still.size(), earlier.size());
    for (size_t i = 0; i < earlier.size(); ++i) {
        EXPECT_EQ(still[i].number, earlier[i].number);
        EXPECT_EQ(still[i].after, earlier[i].after);
    }
}

TEST_F(HistoryTest, RefusedAndRolledBackCallsLeaveNoLine)
{
    const QString product = pricedProduct();
    const qint64 from = lastLine();
    // Refused by role, by rule, and half done then rolled back on a stale second change.
    const std::string reader = openSession(QStringLiteral("consulta"));
    const data::DataPacket items = item(product);
    Row first = items.rows.at(0);
    first[items.indexOf(QStringLiteral("VRPRECITEM"))] = 10.0;
    Row stale = items.rows.at(0);
    stale[items.indexOf(QStringLiteral("VRPRECITEMCL"))] = 99.0;
    data::ChangeSet half = changeSetFor(items);
    half.changes = {modify(items.rows.at(0), first), modify(stale, first)};
    data::ChangeSet negative = changeSetFor(items);
    Row below = items.rows.at(0);
    below[items.indexOf(QStringLiteral("VRPRECITEM"))] = -1.0;
    negative.changes = {modify(items.rows.at(0), below)};

    EXPECT_EQ(callAs(reader, QStringLiteral("SetItemPreco"), {half, ""}).status, 403);
    EXPECT_EQ(call(QStringLiteral("SetItemPreco"), {negative, ""}).status, 422);
    EXPECT_EQ(call(QStringLiteral("SetItemPreco"), {half, ""}).status, 409);
    EXPECT_EQ(lastLine(), from);
    EXPECT_TRUE(linesAfter(from).empty());
}

TEST_F(HistoryTest, RecordIsNeitherAlteredNorDeletedExceptByPruning)
{
    ASSERT_EQ(setPrice(pricedProduct(), "VRPRECITEM", 5.5).status, 200);
    const qint64 lines = scalar(QStringLiteral("SELECT COUNT(*) FROM HISTALTERACAO")).toLongLong();
    ASSERT_GT(lines, 0);
    for (const char *sql :
         {"UPDATE HISTALTERACAO SET CDUSUARIO = 'outro'", "DELETE FROM HISTALTERACAO"}) {
        QSqlQuery q(database().connection());
        EXPECT_FALSE(q.exec(QString::fromLatin1(sql))) << sql;
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM HISTALTERACAO")).toLongLong(), lines);

    // Pruning removes what is older than the day and leaves a line saying so.
    Session admin;
    admin.login = QStringLiteral("admin");
    const CallScope scope(
        CallContext{QString::fromUtf16(kPruneMethod), QStringLiteral("linha de comando"), admin});
    EXPECT_EQ(HistoryRepository(database()).prune(today().addDays(1)), lines);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM HISTALTERACAO")).toLongLong(), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT CDUSUARIO || ' ' || NMMETODO FROM HISTALTERACAO")),
              QStringLiteral("admin --prune-history"));
}

TEST_F(HistoryTest, ItemReadsAsItStoodAfterTwoEditsAndARuleChange)
{
    const QString product = pricedProduct();
    const auto priceAt = [&](const QDateTime &at) {
        const data::DataPacket p =
            packet(QStringLiteral("getItemPrecoEm"), {"001", m_start, product, product, at});
        EXPECT_EQ(p.rows.size(), 1u);
        return p.rows.empty() ? QVariant() : p.rows[0][p.indexOf(QStringLiteral("VRPRECITEM"))];
    };
    const auto rulesAt = [&](const QDateTime &at) {
        return packet(QStringLiteral("GetPrecoHoraEm"), {"001", m_start, product, product, at})
            .rows.size();
    };
    const QString original = scalar(QStringLiteral("SELECT CAST(VRPRECITEM AS TEXT) FROM ITEMPRECO"
                                                   " WHERE CDTABEPREC = '001' AND DTINIVGPREC = ?"
                                                   " AND CDPRODUTO = ? AND CDPRPAITABPR = ?"),
                                    {m_start.toString(Qt::ISODate), product, product})
                                 .toString();
    const size_t rulesBefore = rulesAt(QDateTime::currentDateTime());
    const QDateTime t0 = moment();
    ASSERT_EQ(setPrice(product, "VRPRECITEM", 11.11).status, 200);
    const QDateTime t1 = moment();
    ASSERT_EQ(setPrice(product, "VRPRECITEM", 22.22).status, 200);
    const QDateTime t2 = moment();
    // A day/hour rule added to the item.
    const data::DataPacket rules = packet(QStringLiteral("GetPrecoHora"), {"001", m_start});
    Row rule = rules.rows.at(0);
    for (const auto &[name, value] :
         std::vector<std::pair<const char *, QVariant>>{{"CDPRODUTO", product},
                                                        {"CDPRPAITABPR", product},
                                                        {"NRDIASEMANPR", "7"},
                                                        {"HRINIPRECDIA", "0101"},
                                                        {"HRFINPRECDIA", "0202"}})
        rule[rules.indexOf(QString::fromLatin1(name))] = value;
    data::ChangeSet cs = changeSetFor(rules);
    cs.changes.push_back(insert(rule));
    const Answer added = call(QStringLiteral("SetPrecoHora"), {cs});
    ASSERT_EQ(added.status, 200) << added.reply.errorMessage.toStdString();

    EXPECT_EQ(priceAt(t0).toString(), original);
    EXPECT_DOUBLE_EQ(priceAt(t1).toDouble(), 11.11);
    EXPECT_DOUBLE_EQ(priceAt(t2).toDouble(), 22.22);
    EXPECT_EQ(rulesAt(t2), rulesBefore);
    EXPECT_EQ(rulesAt(QDateTime::currentDateTime()), rulesBefore + 1);

    // The history, newest first: the rule, then 22.22 over 11.11, then 11.11 over the original
    // (and the row's insertion by the demo's load before them).
    const data::DataPacket h =
        packet(QStringLiteral("getHistItemPreco"), {"001", m_start, product, product});
    const int field = h.indexOf(QStringLiteral("NMCAMPO"));
    const int was = h.indexOf(QStringLiteral("DSANTES")),
              now = h.indexOf(QStringLiteral("DSDEPOIS"));
    std::vector<QStringList> prices;
    for (const Row &r : h.rows)
        if (r[field] == QStringLiteral("VRPRECITEM"))
            prices.push_back({r[was].toString(), r[now].toString()});
    ASSERT_GE(prices.size(), 2u);
    EXPECT_DOUBLE_EQ(prices[0][0].toDouble(), 11.11);
    EXPECT_DOUBLE_EQ(prices[0][1].toDouble(), 22.22);
    EXPECT_EQ(prices[1][0], original);
    EXPECT_EQ(h.rows.front()[h.indexOf(QStringLiteral("NMTABELA"))],
              QStringLiteral("ITEMPRECODIA"));
    EXPECT_EQ(h.rows.front()[h.indexOf(QStringLiteral("CDUSUARIO"))], QStringLiteral("gerente"));
}

TEST_F(HistoryTest, ChangesArePagedNewestFirstAndFiltered)
{
    const QString product = pricedProduct();
    for (double v : {1.0, 2.0, 3.0})
        ASSERT_EQ(setPrice(product, "VRPRECITEM", v).status, 200);
    const auto page = [&](qint64 below, int size) {
        return packet(QStringLiteral("getHistAlteracoes"),
                      {data::Value(), data::Value(), "gerente", "SetItemPreco", "ITEMPRECO",
                       product, below, size});
    };
    const data::DataPacket first = page(0, 2);
    ASSERT_EQ(first.rows.size(), 2u);
    const int number = first.indexOf(QStringLiteral("NRALTERACAO"));
    const data::DataPacket second = page(first.rows[1][number].toLongLong(), 2);
    ASSERT_EQ(second.rows.size(), 1u);
    EXPECT_GT(first.rows[0][number].toLongLong(), first.rows[1][number].toLongLong());
    EXPECT_GT(first.rows[1][number].toLongLong(), second.rows[0][number].toLongLong());
    EXPECT_TRUE(packet(QStringLiteral("getHistAlteracoes"),
                       {data::Value(), data::Value(), "precos", "", "", "", 0, 10})
                    .rows.empty());
    EXPECT_EQ(call(QStringLiteral("getHistAlteracoes"),
                   {data::Value(), data::Value(), "", "", "", "", 0, 0})
                  .status,
              400);
}

// Bulk calls' lines are found another way than single saves': the item's history and past
// take them in too, for the first product and the last alike (a bulk call may keep many rows
// in one line), and the Auditoria shows the product's own row of such a line.
TEST_F(HistoryTest, BulkCallsShowInTheItemsHistoryAndPast)
{
    // More rows in a period than a part holds.
    addPricedProducts(300, m_start);
    const QString last =
        scalar(QStringLiteral("SELECT MAX(CDPRODUTO) FROM ITEMPRECO WHERE CDTABEPREC = '001' AND"
                              " DTINIVGPREC = ? AND CDPRPAITABPR = CDPRODUTO"),
               {m_start.toString(Qt::ISODate)})
            .toString();
    const QStringList products{pricedProduct(), last};
    const auto stored = [&](const char *table, const QString &product) {
        return scalar(QStringLiteral("SELECT IDPRODPROMOC FROM ITEMPRECO WHERE CDTABEPREC = ?"
                                     " AND DTINIVGPREC = ? AND CDPRODUTO = ? AND CDPRPAITABPR = ?"),
                      {QString::fromLatin1(table), m_start.toString(Qt::ISODate), product, product})
            .toString();
    };
    std::map<QString, QString> flags;
    for (const QString &product : products)
        flags[product] = stored("001", product);
    const QString other = flags[last] == u"S" ? QStringLiteral("N") : QStringLiteral("S");
    const QDateTime before = moment();
    ASSERT_EQ(call(QStringLiteral("SetUpdItemPrecoAlt"),
                   {other, "", "", "", "T", data::Value(), false, "001", m_start})
                  .status,
              200);
    const qint64 copied = lastLine();
    ASSERT_EQ(call(QStringLiteral("setConfirmar"), {"077", "COPIA", "001", "", "T"}).status, 200);

    // The copy's items went in parts of up to 256 rows of one period.
    const QString copyLines = QStringLiteral("FROM HISTALTERACAO WHERE NRALTERACAO > %1 AND"
                                             " NMTABELA = 'ITEMPRECO'")
                                  .arg(copied);
    EXPECT_EQ(
        scalar(QStringLiteral("SELECT SUM(COALESCE(NRLINHAS, 1)) ") + copyLines).toInt(),
        scalar(QStringLiteral("SELECT COUNT(*) FROM ITEMPRECO WHERE CDTABEPREC = '077'")).toInt());
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) ") + copyLines).toInt(),
              scalar(QStringLiteral("SELECT SUM((n + 255) / 256) FROM (SELECT COUNT(*) AS n FROM"
                                    " ITEMPRECO WHERE CDTABEPREC = '077' GROUP BY DTINIVGPREC) c"))
                  .toInt());
    EXPECT_EQ(scalar(QStringLiteral("SELECT MAX(NRLINHAS) ") + copyLines).toInt(), 256);

    for (const QString &product : products) {
        const std::string p = product.toStdString();
        ASSERT_EQ(stored("077", product), other) << p;
        const auto history = [&](const char *table) {
            std::vector<QStringList> out;
            const data::DataPacket h =
                packet(QStringLiteral("getHistItemPreco"),
                       {QString::fromLatin1(table), m_start, product, product});
            for (const Row &r : h.rows)
                if (r[h.indexOf(u"NMCAMPO")] == QStringLiteral("IDPRODPROMOC"))
                    out.push_back({r[h.indexOf(u"NMMETODO")].toString(),
                                   r[h.indexOf(u"IDOPERACAO")].toString(),
                                   r[h.indexOf(u"DSANTES")].toString(),
                                   r[h.indexOf(u"DSDEPOIS")].toString()});
            return out;
        };
        const std::vector<QStringList> original = history("001");
        if (flags[product] != other) {
            ASSERT_FALSE(original.empty()) << p;
            EXPECT_EQ(original.front(),
                      (QStringList{"SetUpdItemPrecoAlt", "A", flags[product], other}))
                << p;
        }
        const std::vector<QStringList> copy = history("077");
        ASSERT_EQ(copy.size(), 1u) << p;
        EXPECT_EQ(copy.front(), (QStringList{"setConfirmar", "I", "", other})) << p;

        const auto flagAt = [&](const char *table) {
            const data::DataPacket at =
                packet(QStringLiteral("getItemPrecoEm"),
                       {QString::fromLatin1(table), m_start, product, product, before});
            return at.rows.empty() ? QStringLiteral("(nenhum)")
                                   : at.rows[0][at.indexOf(u"IDPRODPROMOC")].toString();
        };
        EXPECT_EQ(flagAt("001"), flags[product]) << p;
        EXPECT_EQ(flagAt("077"), QStringLiteral("(nenhum)")) << p;
    }

    const data::DataPacket audit = packet(
        QStringLiteral("getHistAlteracoes"),
        {data::Value(), data::Value(), "gerente", "SetUpdItemPrecoAlt", "ITEMPRECO", last, 0, 10});
    ASSERT_EQ(audit.rows.size(), 1u);
    const Row &row = audit.rows[0];
    const QString key =
        QStringLiteral("[\"001\",\"%1\",\"%2\",\"%2\"]").arg(m_start.toString(Qt::ISODate), last);
    EXPECT_EQ(row[audit.indexOf(u"DSCHAVE")].toString(), key);
    EXPECT_EQ(row[audit.indexOf(u"DSDEPOIS")].toString(),
              QStringLiteral("{\"IDPRODPROMOC\":\"%1\"}").arg(other));
}

} // namespace
} // namespace vnd::server::test
