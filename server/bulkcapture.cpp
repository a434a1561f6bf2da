#include "server/bulkcapture.h"

#include "server/changerecordschema.h"
#include "server/dberror.h"
#include "server/recordimage.h"
#include "server/sqlitereads.h"

// Debian's SQLite is built with the hook; its header declares it only when asked.
#define SQLITE_ENABLE_PREUPDATE_HOOK 1
#include <sqlite3.h>

#include <QSet>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vnd::server
{

namespace
{

// What a capture holds before it is written at the end of a statement.
std::atomic<size_t> g_settleBytes{size_t(32) << 20};

thread_local BulkCapture *t_active = nullptr;
constexpr size_t kItems = 4; // itemColumns()

// Finalizes on every path.
struct Statement {
    sqlite3_stmt *s = nullptr;
    Statement(sqlite3 *db, const char *sql)
    {
        if (const int rc = sqlite3_prepare_v2(db, sql, -1, &s, nullptr); rc != SQLITE_OK)
            throwSqliteError(db, rc);
    }
    ~Statement() { sqlite3_finalize(s); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
};

// A recorded table as this database lays it out: its columns' numbers.
struct Shape {
    const RecordedTable *table = nullptr;
    QByteArray name;
    std::vector<int> columns;       // table->all(), in order
    std::vector<std::string> names; // theirs, as an alteration's image names them: "NAME":
    // Those an UPDATE prepared during the capture may set (SQLite's authorizer names them):
    // only they can differ. None named: every column is compared.
    std::vector<bool> set;
    bool anySet = false;
    std::vector<bool> real;                        // per column there: of REAL affinity
    std::array<int, kItems> items{-1, -1, -1, -1}; // their places among the columns
};

// A text of a row, as its place in the bucket's texts; none when empty (no image, key or
// value is an empty text in its JSON form).
struct Span {
    uint32_t at = 0, size = 0;
};

struct Row {
    Span key; // the whole key's values as JSON, comma separated
    std::array<Span, kItems> items;
    unsigned itemNull = 0; // bit i: item i has no value, or its table no such column
    Span before, after;    // images; empty: none
};

// The rows of one table and operation, their texts back to back: a hundred thousand rows
// cost a few allocations rather than several each.
struct Bucket {
    size_t shape;
    char op;
    std::string texts;
    std::vector<Row> rows;
    std::string_view view(Span s) const { return {texts.data() + s.at, s.size}; }
};

sqlite3_value *oldValue(sqlite3 *db, int column)
{
    sqlite3_value *v = nullptr;
    sqlite3_preupdate_old(db, column, &v);
    return v;
}

sqlite3_value *newValue(sqlite3 *db, int column)
{
    sqlite3_value *v = nullptr;
    sqlite3_preupdate_new(db, column, &v);
    return v;
}

// SQLite keeps a REAL column's whole numbers as integers in the row, and the hook hands them
// over so; read through the table they are REAL again, as the triggers saw them.
void appendColumn(std::string &out, const Shape &shape, int column, sqlite3_value *v)
{
    const int type = v ? sqlite3_value_type(v) : SQLITE_NULL;
    if (type == SQLITE_INTEGER && shape.real[size_t(column)]) {
        out += '"';
        appendRealText(out, sqlite3_value_double(v));
        out += '"';
    } else if (type == SQLITE_TEXT) {
        // The bytes as they are: asking for text would first copy them to end them.
        appendJsonString(out, static_cast<const unsigned char *>(sqlite3_value_blob(v)),
                         size_t(sqlite3_value_bytes(v)));
    } else if (v) {
        appendJsonValue(out, v);
    } else {
        out += "null";
    }
}

// The affinity SQLite gives a declared type: REAL when it names no INT, CHAR, CLOB, TEXT or
// BLOB but REAL, FLOA or DOUB.
bool realAffinity(const QString &declared)
{
    const QString t = declared.toUpper();
    const auto has = [&t](const char *s) { return t.contains(QLatin1String(s)); };
    if (has("INT") || has("CHAR") || has("CLOB") || has("TEXT") || has("BLOB") || t.isEmpty())
        return false;
    return has("REAL") || has("FLOA") || has("DOUB");
}

void appendName(std::string &out, const std::string &name)
{
    if (out.size() > 1)
        out += ',';
    out += name;
}

} // namespace

struct BulkCapture::State {
    sqlite3 *db = nullptr;
    std::vector<Shape> shapes;
    // Buckets by table and operation, in the order each first changed. A generation is
    // closed when a row turns up again under another operation, so that every row's lines
    // keep their order however the buckets are sorted.
    std::vector<Bucket> closed, open;
    // Per shape, once its table has two open buckets: their rows' keys and operations.
    std::vector<std::unordered_map<std::string, char>> seen;
    std::vector<bool> tracking;
    size_t bytes = 0; // about what the rows hold
    // The row being captured: its texts, placed as its Row says, before they go to a bucket.
    std::string scratch, afterScratch;
    size_t lastShape = 0; // the shape of the last row's table

    void capture(size_t shape, int op);
    void add(size_t shape, char op, const Row &row, Span oldKey);
    void closeGeneration();
    void write(const Bucket &bucket, Statement &insert) const;
};

namespace
{

void onChange(void *arg, sqlite3 *, int op, const char *schema, const char *name, sqlite3_int64,
              sqlite3_int64)
{
    auto *state = static_cast<BulkCapture::State *>(arg);
    if (std::strcmp(schema, "main") != 0)
        return;
    // A bulk statement hands row after row of one table: that one is tried first.
    const auto named = [&](size_t i) {
        return sqlite3_stricmp(state->shapes[i].name.constData(), name) == 0;
    };
    if (state->lastShape < state->shapes.size() && named(state->lastShape)) {
        state->capture(state->lastShape, op);
        return;
    }
    for (size_t i = 0; i < state->shapes.size(); ++i)
        if (named(i)) {
            state->lastShape = i;
            state->capture(i, op);
            return;
        }
}

// Notes the columns each UPDATE prepared on the connection sets; allows everything.
int onPrepare(void *arg, int action, const char *table, const char *column, const char *,
              const char *)
{
    if (action != SQLITE_UPDATE || !table || !column)
        return SQLITE_OK;
    auto *state = static_cast<BulkCapture::State *>(arg);
    for (Shape &shape : state->shapes) {
        if (sqlite3_stricmp(shape.name.constData(), table) != 0)
            continue;
        const qsizetype at = shape.table->all().indexOf(QString::fromUtf8(column).toUpper());
        if (at >= 0) {
            shape.set[size_t(at)] = true;
            shape.anySet = true;
        }
    }
    return SQLITE_OK;
}

} // namespace

void BulkCapture::State::capture(size_t shapeIndex, int op)
{
    const Shape &shape = shapes[shapeIndex];
    const RecordedTable &t = *shape.table;
    const bool deleted = op == SQLITE_DELETE, updated = op == SQLITE_UPDATE;
    // Reading a row's new values copies them, reading its old ones unpacks it once: an
    // alteration reads what it may have set anew, the rest as it was.
    const auto narrowed = updated && shape.anySet;
    const auto value = [&](size_t at) {
        const int column = shape.columns[at];
        if (deleted || (narrowed && !shape.set[at]))
            return oldValue(db, column);
        return newValue(db, column);
    };
    std::string &out = scratch;
    out.clear();
    const auto from = [&out](size_t start) {
        return Span{uint32_t(start), uint32_t(out.size() - start)};
    };
    Row row;
    Span oldKey;
    char code = deleted ? char(kDeleted) : char(kInserted);
    if (op == SQLITE_UPDATE) {
        // Both images at once: the old one first, the new one gathered apart and appended.
        const size_t start = out.size();
        out += '{';
        std::string &after = afterScratch;
        after.assign(1, '{');
        bool rekeyed = false;
        for (size_t i = 0; i < shape.columns.size(); ++i) {
            if (narrowed && !shape.set[i])
                continue;
            sqlite3_value *o = oldValue(db, shape.columns[i]);
            sqlite3_value *n = newValue(db, shape.columns[i]);
            if (sameValue(o, n))
                continue;
            if (out.size() - start > 1)
                out += ',';
            out += shape.names[i];
            appendColumn(out, shape, shape.columns[i], o);
            appendName(after, shape.names[i]);
            appendColumn(after, shape, shape.columns[i], n);
            rekeyed = rekeyed || qsizetype(i) < t.key.size();
        }
        if (out.size() - start == 1)
            return; // nothing changed: no line, as the trigger's WHEN had it
        out += '}';
        row.before = from(start);
        const size_t afterStart = out.size();
        out += after;
        out += '}';
        row.after = from(afterStart);
        if (rekeyed) {
            const size_t keyStart = out.size();
            for (qsizetype i = 0; i < t.key.size(); ++i) {
                if (i > 0)
                    out += ',';
                appendColumn(out, shape, shape.columns[size_t(i)],
                             oldValue(db, shape.columns[size_t(i)]));
            }
            oldKey = from(keyStart);
        }
        code = char(kAltered);
    } else {
        const size_t start = out.size();
        out += '[';
        for (size_t i = size_t(t.key.size()); i < shape.columns.size(); ++i) {
            if (i > size_t(t.key.size()))
                out += ',';
            appendColumn(out, shape, shape.columns[i], value(i));
        }
        out += ']';
        (deleted ? row.before : row.after) = from(start);
    }
    const size_t keyStart = out.size();
    for (qsizetype i = 0; i < t.key.size(); ++i) {
        if (i > 0)
            out += ',';
        appendColumn(out, shape, shape.columns[size_t(i)], value(size_t(i)));
    }
    row.key = from(keyStart);
    for (size_t i = 0; i < kItems; ++i) {
        sqlite3_value *v = shape.items[i] >= 0 ? value(size_t(shape.items[i])) : nullptr;
        if (!v || sqlite3_value_type(v) == SQLITE_NULL) {
            row.itemNull |= 1u << i;
            continue;
        }
        const size_t start = out.size();
        if (sqlite3_value_type(v) == SQLITE_TEXT)
            out.append(static_cast<const char *>(sqlite3_value_blob(v)),
                       size_t(sqlite3_value_bytes(v)));
        else
            out.append(reinterpret_cast<const char *>(sqlite3_value_text(v)),
                       size_t(sqlite3_value_bytes(v)));
        row.items[i] = from(start);
    }
    add(shapeIndex, code, row, oldKey);
}

void BulkCapture::State::add(size_t shape, char op, const Row &captured, Span oldKeySpan)
{
    const auto scratchView = [this](Span s) {
        return std::string_view(scratch).substr(s.at, s.size);
    };
    const std::string_view key = scratchView(captured.key);
    const std::string_view oldKey = scratchView(oldKeySpan);
    const auto bucketOf = [&]() -> Bucket * {
        for (Bucket &b : open)
            if (b.shape == shape && b.op == op)
                return &b;
        return nullptr;
    };
    Bucket *bucket = bucketOf();
    if (!tracking[shape] && !bucket &&
        std::any_of(open.begin(), open.end(), [&](const Bucket &b) { return b.shape == shape; })) {
        // A second operation on the table: from now on its rows are watched.
        tracking[shape] = true;
        for (const Bucket &b : open)
            if (b.shape == shape)
                for (const Row &r : b.rows)
                    seen[shape].emplace(std::string(b.view(r.key)), b.op);
    }
    if (tracking[shape]) {
        const auto clashes = [&](std::string_view k) {
            const auto it = seen[shape].find(std::string(k));
            return it != seen[shape].end() && it->second != op;
        };
        if (clashes(key) || (!oldKey.empty() && clashes(oldKey))) {
            closeGeneration();
            bucket = nullptr;
        } else {
            seen[shape].emplace(std::string(key), op);
            if (!oldKey.empty())
                seen[shape].emplace(std::string(oldKey), op);
        }
    }
    if (!bucket)
        bucket = &open.emplace_back(Bucket{shape, op, {}, {}});
    // A bulk statement mostly writes the same image row after row: kept once.
    const Row previous = bucket->rows.empty() ? Row{} : bucket->rows.back();
    const auto place = [&](Span s, Span Row::*image) {
        if (s.size == 0)
            return Span{};
        if (image && bucket->view(previous.*image) == scratchView(s))
            return previous.*image;
        const Span placed{uint32_t(bucket->texts.size()), s.size};
        bucket->texts.append(scratch, s.at, s.size);
        return placed;
    };
    const size_t before = bucket->texts.size();
    Row &row = bucket->rows.emplace_back();
    row.key = place(captured.key, nullptr);
    row.before = place(captured.before, &Row::before);
    row.after = place(captured.after, &Row::after);
    for (size_t i = 0; i < kItems; ++i)
        row.items[i] = place(captured.items[i], nullptr);
    row.itemNull = captured.itemNull;
    if (bucket->texts.size() > UINT32_MAX / 2)
        throw DbError(DbError::Kind::Other,
                      QStringLiteral("Alteração grande demais para o registro."));
    bytes += sizeof(Row) + bucket->texts.size() - before;
}

void BulkCapture::State::closeGeneration()
{
    for (Bucket &b : open)
        closed.push_back(std::move(b));
    open.clear();
    for (auto &s : seen)
        s.clear();
    std::fill(tracking.begin(), tracking.end(), false);
}

namespace
{

class LineWriter
{
public:
    LineWriter(sqlite3 *db, sqlite3_stmt *s) : m_db(db), m_s(s) {}
    LineWriter &text(std::string_view v)
    {
        sqlite3_bind_text(m_s, ++m_at, v.data(), int(v.size()), SQLITE_STATIC);
        return *this;
    }
    LineWriter &textOrNull(std::string_view v, bool null)
    {
        if (null) {
            sqlite3_bind_null(m_s, ++m_at);
            return *this;
        }
        return text(v);
    }
    LineWriter &count(size_t n)
    {
        if (n == 0)
            sqlite3_bind_null(m_s, ++m_at);
        else
            sqlite3_bind_int64(m_s, ++m_at, sqlite3_int64(n));
        return *this;
    }
    void run()
    {
        const int rc = sqlite3_step(m_s);
        sqlite3_reset(m_s);
        sqlite3_clear_bindings(m_s);
        if (rc != SQLITE_DONE)
            throwSqliteError(m_db, rc);
    }

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_s;
    int m_at = 0;
};

// The rows' images as one array, null where a row has none; empty for none at all; an array
// of one image when every row has that one.
void images(std::string &out, const Bucket &bucket, const std::vector<size_t> &order, size_t from,
            size_t to, Span Row::*image)
{
    const Span first = bucket.rows[order[from]].*image;
    const auto same = [&](size_t i) {
        const Span s = bucket.rows[order[i]].*image;
        return (s.at == first.at && s.size == first.size) || bucket.view(s) == bucket.view(first);
    };
    bool shared = true;
    for (size_t i = from + 1; i < to && shared; ++i)
        shared = same(i);
    if (shared && first.size == 0) {
        out.clear();
        return;
    }
    out.assign(1, '[');
    for (size_t i = from; i < (shared ? from + 1 : to); ++i) {
        const Span v = bucket.rows[order[i]].*image;
        if (i > from)
            out += ',';
        if (v.size == 0)
            out += "null";
        else
            out += bucket.view(v);
    }
    out += ']';
}

} // namespace

void BulkCapture::State::write(const Bucket &bucket, Statement &insert) const
{
    const RecordedTable &t = *shapes[bucket.shape].table;
    const std::string table = t.name.toStdString(), op(1, bucket.op);
    const std::vector<Row> &rows = bucket.rows;
    const auto text = [&bucket](Span s) { return bucket.view(s); };
    std::vector<size_t> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    const auto byKey = [&](size_t a, size_t b) { return text(rows[a].key) < text(rows[b].key); };
    if (!std::is_sorted(order.begin(), order.end(), byKey))
        std::stable_sort(order.begin(), order.end(), byKey);
    // A part keeps one table and period (the line's) and its products' range.
    const auto samePeriod = [&](size_t a, size_t b) {
        return (rows[a].itemNull & 3u) == (rows[b].itemNull & 3u) &&
               text(rows[a].items[0]) == text(rows[b].items[0]) &&
               text(rows[a].items[1]) == text(rows[b].items[1]);
    };
    std::string keys, before, after;
    for (size_t from = 0; from < order.size();) {
        size_t to = from + 1;
        while (to < order.size() && to - from < size_t(kPartRows) &&
               samePeriod(order[from], order[to]))
            ++to;
        const Row &first = rows[order[from]];
        LineWriter line(db, insert.s);
        line.text(table)
            .text(op)
            .textOrNull(text(first.items[0]), first.itemNull & 1u)
            .textOrNull(text(first.items[1]), first.itemNull & 2u);
        if (to - from == 1) {
            keys.assign(1, '[');
            keys += text(first.key);
            keys += ']';
            line.textOrNull(text(first.items[2]), first.itemNull & 4u)
                .textOrNull(text(first.items[3]), first.itemNull & 8u)
                .text(keys)
                .textOrNull(text(first.before), first.before.size == 0)
                .textOrNull(text(first.after), first.after.size == 0)
                .textOrNull({}, true)
                .count(0)
                .run();
        } else {
            std::string_view low, high;
            bool anyProduct = false;
            keys.assign(1, '[');
            for (size_t i = from; i < to; ++i) {
                const Row &r = rows[order[i]];
                if (!(r.itemNull & 4u)) {
                    const std::string_view product = text(r.items[2]);
                    low = !anyProduct || product < low ? product : low;
                    high = !anyProduct || product > high ? product : high;
                    anyProduct = true;
                }
                keys += i > from ? ",[" : "[";
                keys += text(r.key);
                keys += ']';
            }
            keys += ']';
            images(before, bucket, order, from, to, &Row::before);
            images(after, bucket, order, from, to, &Row::after);
            line.textOrNull(low, !anyProduct)
                .textOrNull({}, true)
                .text(keys)
                .textOrNull(before, before.empty())
                .textOrNull(after, after.empty())
                .textOrNull(high, !anyProduct)
                .count(to - from)
                .run();
        }
        from = to;
    }
}

BulkCapture::BulkCapture(sqlite3 *db) : d(std::make_unique<State>())
{
    d->db = db;
    QSet<QString> triggered;
    {
        Statement q(db, "SELECT tbl_name FROM sqlite_master WHERE type = 'trigger' AND"
                        " name LIKE '%\\_HIST\\_%' ESCAPE '\\'");
        while (sqlite3_step(q.s) == SQLITE_ROW)
            triggered.insert(
                QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(q.s, 0)))
                    .toUpper());
    }
    for (const RecordedTable &t : recordedTables()) {
        if (!triggered.contains(t.name.toUpper()))
            continue;
        Shape shape;
        shape.table = &t;
        shape.name = t.name.toUtf8();
        QHash<QString, int> numbers;
        Statement q(db, ("PRAGMA table_info(" + shape.name + ")").constData());
        const auto text = [&q](int column) {
            return QString::fromUtf8(
                reinterpret_cast<const char *>(sqlite3_column_text(q.s, column)));
        };
        while (sqlite3_step(q.s) == SQLITE_ROW) {
            const int number = sqlite3_column_int(q.s, 0);
            numbers.insert(text(1).toUpper(), number);
            shape.real.resize(std::max(shape.real.size(), size_t(number) + 1));
            shape.real[size_t(number)] = realAffinity(text(2));
        }
        for (const QString &c : t.all()) {
            if (!numbers.contains(c))
                throw DbError(DbError::Kind::Other,
                              QStringLiteral("%1 sem a coluna %2").arg(t.name, c));
            shape.columns.push_back(numbers.value(c));
            shape.names.push_back('"' + c.toStdString() + "\":");
        }
        for (size_t i = 0; i < kItems; ++i)
            shape.items[i] = int(t.all().indexOf(itemColumns()[qsizetype(i)]));
        shape.set.assign(shape.columns.size(), false);
        d->shapes.push_back(std::move(shape));
    }
    d->seen.resize(d->shapes.size());
    d->tracking.assign(d->shapes.size(), false);
    // Switching the triggers expires every prepared statement: each is prepared again, past
    // the authorizer, before it runs.
    sqlite3_set_authorizer(db, onPrepare, d.get());
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    sqlite3_preupdate_hook(db, onChange, d.get());
    m_previous = std::exchange(t_active, this);
}

BulkCapture::~BulkCapture()
{
    t_active = m_previous;
    sqlite3_preupdate_hook(d->db, nullptr, nullptr);
    sqlite3_set_authorizer(d->db, nullptr, nullptr);
    sqlite3_db_config(d->db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 1, nullptr);
}

void BulkCapture::flush()
{
    d->closeGeneration();
    if (d->closed.empty())
        return;
    Statement insert(d->db,
                     "INSERT INTO HISTALTERACAO (DTALTERACAO, CDUSUARIO, DSENDERECO, NMMETODO,"
                     " NMTABELA, IDOPERACAO, CDTABEPREC, DTINIVGPREC, CDPRODUTO, CDPRPAITABPR,"
                     " DSCHAVE, DSANTES, DSDEPOIS, CDPRODUTOFIM, NRLINHAS) VALUES (vnd_chamada(0),"
                     " vnd_chamada(1), vnd_chamada(2), vnd_chamada(3), ?, ?, ?, ?, ?, ?, ?, ?, ?,"
                     " ?, ?)");
    for (const Bucket &b : d->closed)
        d->write(b, insert);
    d->closed.clear();
    d->bytes = 0;
}

void BulkCapture::settle()
{
    if (t_active && t_active->d->bytes > g_settleBytes)
        t_active->flush();
}

size_t BulkCapture::setSettleBytes(size_t bytes)
{
    return g_settleBytes.exchange(bytes);
}

} // namespace vnd::server
