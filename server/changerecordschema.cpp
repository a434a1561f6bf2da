#include "server/changerecordschema.h"

namespace vnd::server
{

namespace
{

QStringList words(const char *text)
{
    return QString::fromLatin1(text).split(u' ', Qt::SkipEmptyParts);
}

const QString kColumns =
    QStringLiteral("DTALTERACAO, CDUSUARIO, DSENDERECO, NMMETODO, NMTABELA, IDOPERACAO, CDTABEPREC,"
                   " DTINIVGPREC, CDPRODUTO, CDPRPAITABPR, DSCHAVE, DSANTES, DSDEPOIS");

QString joined(const QStringList &parts)
{
    return parts.join(QStringLiteral(", "));
}

QString context(Dialect dialect)
{
    if (dialect == Dialect::Sqlite)
        return QStringLiteral("vnd_chamada(0), vnd_chamada(1), vnd_chamada(2), vnd_chamada(3)");
    return QStringLiteral("COALESCE(NULLIF(current_setting('vnd42700.hora', true), '')::bigint,"
                          " (extract(epoch FROM now()) * 1000000)::bigint),"
                          " COALESCE(NULLIF(current_setting('vnd42700.usuario', true), ''),"
                          " session_user),"
                          " COALESCE(NULLIF(current_setting('vnd42700.endereco', true), ''),"
                          " host(inet_client_addr())),"
                          " NULLIF(current_setting('vnd42700.metodo', true), '')");
}

// Values of `row` (NEW, OLD or an alias) as a JSON array of texts.
QString valueArray(Dialect dialect, const QString &row, const QStringList &columns)
{
    if (columns.isEmpty())
        return QStringLiteral("'[]'");
    QStringList values;
    for (const QString &c : columns)
        values << (dialect == Dialect::Postgres ? QStringLiteral("CAST(%1.%2 AS TEXT)")
                                                : QStringLiteral("%1.%2"))
                      .arg(row, c);
    return (dialect == Dialect::Postgres ? QStringLiteral("array_to_json(ARRAY[%1]::text[])")
                                         : QStringLiteral("vnd_valores(%1)"))
        .arg(joined(values));
}

// The line's table, operation, item columns and the rest of the key, from `row`.
QString lineHead(const RecordedTable &t, Dialect dialect, char16_t op, const QString &row)
{
    QStringList items;
    for (const QString &c : itemColumns())
        items << (t.all().contains(c) ? QStringLiteral("%1.%2").arg(row, c)
                                      : QStringLiteral("NULL"));
    return QStringLiteral("'%1', '%2', %3, %4")
        .arg(t.name, QString(QChar(op)), joined(items), valueArray(dialect, row, keyBeyondItem(t)));
}

// An insertion's or deletion's image: the columns besides the key, in the table's order.
QString wholeImage(const RecordedTable &t, Dialect dialect, const QString &row)
{
    return valueArray(dialect, row, t.fields);
}

// An alteration's image: only the columns it changed, as they were (`side` the old row) or
// became. The key is in the line, so most lines stay a few dozen bytes.
QString alteredImage(const RecordedTable &t, Dialect dialect, const QString &oldRow,
                     const QString &newRow, bool before)
{
    QStringList parts;
    if (dialect == Dialect::Sqlite) {
        for (const QString &c : t.all())
            parts << QStringLiteral("'%1', %2.%1, %3.%1").arg(c, oldRow, newRow);
        return QStringLiteral("vnd_alterado(%1, %2)").arg(before ? 0 : 1).arg(joined(parts));
    }
    for (const QString &c : t.all())
        parts << QStringLiteral("CASE WHEN %2.%1 IS DISTINCT FROM %3.%1 THEN '\"%1\":' ||"
                                " COALESCE(to_json(CAST(%4.%1 AS TEXT))::text, 'null') END")
                     .arg(c, oldRow, newRow, before ? oldRow : newRow);
    return QStringLiteral("'{' || concat_ws(',', %1) || '}'").arg(joined(parts));
}

QString anyChanged(const RecordedTable &t)
{
    QStringList any;
    for (const QString &c : t.all())
        any << QStringLiteral("OLD.%1 IS NOT NEW.%1").arg(c);
    return any.join(QStringLiteral(" OR "));
}

// Row triggers: SQLite has no other kind.
QStringList sqliteTriggers(const RecordedTable &t)
{
    const QString insert = QStringLiteral("CREATE TRIGGER %1_HIST_%2 AFTER %3 ON %1%4 BEGIN"
                                          " INSERT INTO HISTALTERACAO (%5) VALUES (%6, %7, %8, %9);"
                                          " END");
    const QString ctx = context(Dialect::Sqlite), none = QStringLiteral("NULL");
    const auto row = [](const char *r) { return QString::fromLatin1(r); };
    return {insert.arg(t.name, QStringLiteral("I"), QStringLiteral("INSERT"), QString(), kColumns,
                       ctx, lineHead(t, Dialect::Sqlite, kInserted, row("NEW")), none,
                       wholeImage(t, Dialect::Sqlite, row("NEW"))),
            insert.arg(t.name, QStringLiteral("A"), QStringLiteral("UPDATE"),
                       QStringLiteral(" WHEN ") + anyChanged(t), kColumns, ctx,
                       lineHead(t, Dialect::Sqlite, kAltered, row("NEW")),
                       alteredImage(t, Dialect::Sqlite, row("OLD"), row("NEW"), true),
                       alteredImage(t, Dialect::Sqlite, row("OLD"), row("NEW"), false)),
            insert.arg(t.name, QStringLiteral("E"), QStringLiteral("DELETE"), QString(), kColumns,
                       ctx, lineHead(t, Dialect::Sqlite, kDeleted, row("OLD")),
                       wholeImage(t, Dialect::Sqlite, row("OLD")), none)};
}

// A bulk call's rows from `from`, in parts of up to kPartRows of one period (the line's),
// by key (changeRecordParts). Their keys and images are the texts a line of one row holds.
QString inParts(const RecordedTable &t, char16_t op, const QString &row, const QString &before,
                const QString &after, const QString &from)
{
    QStringList line, period, inner;
    for (const QString &c : itemColumns().mid(0, 2)) {
        const bool has = t.all().contains(c);
        line << (has ? QStringLiteral("p.") + c : QStringLiteral("NULL"));
        if (has) {
            period << QStringLiteral("p.") + c;
            inner << QStringLiteral("%1.%2").arg(row, c);
        }
    }
    // Keys in the order of their texts' bytes, as on SQLite, and quicker than by collation.
    inner << (t.all().contains(QStringLiteral("CDPRODUTO")) ? row + QStringLiteral(".CDPRODUTO")
                                                            : QStringLiteral("NULL")) +
                 QStringLiteral(" AS produto")
          << valueArray(Dialect::Postgres, row, t.key) +
                 QStringLiteral("::text COLLATE \"C\" AS chave");
    // The images as the lines of one row hold them; an operation's side without any is NULL.
    const auto images = [&](const QString &image, const char *name) {
        if (image == QLatin1String("NULL"))
            return image;
        inner << QStringLiteral("%1::text AS %2").arg(image, QLatin1String(name));
        return QStringLiteral("'[' || string_agg(p.%1, ',' ORDER BY p.nr) || ']'")
            .arg(QLatin1String(name));
    };
    const QString beforeParts = images(before, "antes"), afterParts = images(after, "depois");
    const QString rank =
        QStringLiteral("row_number() OVER (%1ORDER BY p.chave)")
            .arg(period.isEmpty() ? QString()
                                  : QStringLiteral("PARTITION BY %1 ").arg(joined(period)));
    return QStringLiteral("INSERT INTO HISTALTERACAO (%1, CDPRODUTOFIM, NRLINHAS)"
                          " SELECT %2, '%3', '%4', %5, MIN(p.produto), NULL,"
                          " '[' || string_agg(p.chave, ',' ORDER BY p.nr) || ']', %6, %7,"
                          " MAX(p.produto), COUNT(*) FROM (SELECT p.*, %8 AS nr FROM"
                          " (SELECT %9 FROM %10) p) p GROUP BY %11")
        .arg(kColumns, context(Dialect::Postgres), t.name, QString(QChar(op)), joined(line),
             beforeParts, afterParts, rank, joined(inner))
        .arg(from, joined(period << QStringLiteral("(p.nr - 1) / %1").arg(kPartRows)));
}

// Whether `method` (an expression that may be NULL) is one of the bulk methods, or not.
QString bulkMethod(const QString &method, bool bulk, Dialect dialect)
{
    // On SQLite a CASE, not IN: SQLite builds an IN list's table anew on each trigger run,
    // which cost more than the line. PostgreSQL prepares each partial index's condition anew
    // per statement, a CASE of every method at several times the cost of a list.
    static const QString whens = [] {
        QString out;
        for (const QString &n : bulkMethods())
            out += QStringLiteral(" WHEN '%1' THEN 1").arg(n);
        return out;
    }();
    static const QString list = [] {
        QStringList out;
        for (const QString &n : bulkMethods())
            out << QStringLiteral("'%1'").arg(n);
        return joined(out);
    }();
    if (dialect == Dialect::Postgres)
        return QStringLiteral("COALESCE(%1, '') %2IN (%3)")
            .arg(method, bulk ? QString() : QStringLiteral("NOT "), list);
    return QStringLiteral("(CASE COALESCE(%1, '')%2 END) IS %3NULL")
        .arg(method, whens, bulk ? QStringLiteral("NOT ") : QString());
}

// Whether any column differs between two rows. ROW(r.*) is expanded into its columns,
// compared one by one up to the first that differs; a whole-row comparison built both rows
// as records first and took three times as long over a bulk call's rows.
QString anyDistinct(const QString &oldRow, const QString &newRow)
{
    return QStringLiteral("ROW(%1.*) IS DISTINCT FROM ROW(%2.*)").arg(oldRow, newRow);
}

// A bulk call's statements go to statement triggers over the transition tables: one
// INSERT ... SELECT per statement, one line per part. Altered rows pair by key; a row whose key
// changes is recorded by a row trigger, since nothing in the transition tables pairs it with
// what it was. Every other call's rows go to row triggers, a line each: a statement trigger's
// queries on the transition tables were planned anew for each save.
QStringList postgresTriggers(const RecordedTable &t)
{
    const auto function = [&](const char *suffix, const QString &body,
                              const QString &settings = QString()) {
        return QStringLiteral("CREATE FUNCTION %1_HIST_%2() RETURNS trigger LANGUAGE plpgsql%4"
                              " AS $body$ BEGIN %3; RETURN NULL; END $body$")
            .arg(t.name, QString::fromLatin1(suffix), body, settings);
    };
    const auto bulk = [](bool is) {
        return bulkMethod(QStringLiteral("current_setting('vnd42700.metodo', true)"), is,
                          Dialect::Postgres);
    };
    const QString none = QStringLiteral("NULL");
    const auto o = QStringLiteral("o"), n = QStringLiteral("n");
    const auto oldRow = QStringLiteral("OLD"), newRow = QStringLiteral("NEW");
    QStringList sameKey, oldKey, newKey;
    for (const QString &c : t.key) {
        sameKey << QStringLiteral("o.%1 = n.%1").arg(c);
        oldKey << QStringLiteral("OLD.%1").arg(c);
        newKey << QStringLiteral("NEW.%1").arg(c);
    }
    const auto line = [&](char16_t op, const QString &row, const QString &before,
                          const QString &after) {
        return QStringLiteral("INSERT INTO HISTALTERACAO (%1) VALUES (%2, %3, %4, %5)")
            .arg(kColumns, context(Dialect::Postgres), lineHead(t, Dialect::Postgres, op, row),
                 before, after);
    };
    const QString trigger = QStringLiteral("CREATE TRIGGER %1_HIST_%2 AFTER %3 ON %1 %4"
                                           " EXECUTE FUNCTION %1_HIST_%5()");
    const auto statement = [&](const char *name, const char *event, const QString &tables) {
        const QString n = QString::fromLatin1(name);
        return trigger.arg(
            t.name, n, QString::fromLatin1(event),
            QStringLiteral("REFERENCING %1 FOR EACH STATEMENT WHEN (%2)").arg(tables, bulk(true)),
            n);
    };
    const auto row = [&](const char *name, const QString &event, const QString &when,
                         const char *function) {
        return trigger.arg(t.name, QString::fromLatin1(name), event,
                           QStringLiteral("FOR EACH ROW WHEN (%1)").arg(when),
                           QString::fromLatin1(function));
    };
    // A bulk statement's rows are sorted into parts, and altered ones paired, in memory: at
    // the default work_mem 100,000 rows went to disk.
    const QString memory = QStringLiteral(" SET work_mem = '64MB'");
    return {
        function("I",
                 inParts(t, kInserted, n, none, wholeImage(t, Dialect::Postgres, n),
                         QStringLiteral("novos n")),
                 memory),
        function("E",
                 inParts(t, kDeleted, o, wholeImage(t, Dialect::Postgres, o), none,
                         QStringLiteral("antigos o")),
                 memory),
        // The pairing's plan is kept per connection, made for the first run's rows: by hash,
        // whatever their count, or a plan made for few rows pairs 100,000 by nested loops,
        // for minutes.
        function("A",
                 inParts(t, kAltered, n, alteredImage(t, Dialect::Postgres, o, n, true),
                         alteredImage(t, Dialect::Postgres, o, n, false),
                         QStringLiteral("antigos o JOIN novos n ON %1 WHERE %2")
                             .arg(sameKey.join(QStringLiteral(" AND ")), anyDistinct(o, n))),
                 memory + QStringLiteral(" SET enable_nestloop = off")),
        function("LI", line(kInserted, newRow, none, wholeImage(t, Dialect::Postgres, newRow))),
        function("LE", line(kDeleted, oldRow, wholeImage(t, Dialect::Postgres, oldRow), none)),
        function("LA",
                 line(kAltered, newRow, alteredImage(t, Dialect::Postgres, oldRow, newRow, true),
                      alteredImage(t, Dialect::Postgres, oldRow, newRow, false))),
        statement("I", "INSERT", QStringLiteral("NEW TABLE AS novos")),
        statement("E", "DELETE", QStringLiteral("OLD TABLE AS antigos")),
        statement("A", "UPDATE", QStringLiteral("OLD TABLE AS antigos NEW TABLE AS novos")),
        // Only an UPDATE that sets a key column can change the key (no table has a BEFORE
        // trigger): the others skip the WHEN, which PostgreSQL prepares anew per statement.
        row("K", QStringLiteral("UPDATE OF ") + joined(t.key),
            QStringLiteral("%1 AND ROW(%2) IS DISTINCT FROM ROW(%3)")
                .arg(bulk(true), joined(oldKey), joined(newKey)),
            "LA"),
        row("LI", QStringLiteral("INSERT"), bulk(false), "LI"),
        row("LE", QStringLiteral("DELETE"), bulk(false), "LE"),
        row("LA", QStringLiteral("UPDATE"),
            QStringLiteral("%1 AND %2").arg(bulk(false), anyDistinct(oldRow, newRow)), "LA"),
    };
}

// The triggers of earlier versions of the record, replaced by the ones above.
QStringList droppedTriggers(const RecordedTable &t, Dialect dialect)
{
    QStringList out;
    const char *const names[] = {"I", "A", "E", "IE", "K", "LI", "LA", "LE"};
    for (const char *name : names)
        out << QStringLiteral("DROP TRIGGER IF EXISTS %1_HIST_%2%3")
                   .arg(t.name, QString::fromLatin1(name),
                        dialect == Dialect::Postgres ? QStringLiteral(" ON ") + t.name : QString());
    if (dialect == Dialect::Postgres) {
        out << QStringLiteral("DROP FUNCTION IF EXISTS %1_HIST()").arg(t.name);
        for (const char *name : names)
            out << QStringLiteral("DROP FUNCTION IF EXISTS %1_HIST_%2()")
                       .arg(t.name, QString::fromLatin1(name));
    }
    return out;
}

// Only the command line's pruning may delete lines, and nothing may alter one.
QStringList guard(Dialect dialect)
{
    const QString refused = QStringLiteral("o registro de alterações não se altera nem se exclui");
    if (dialect == Dialect::Sqlite)
        return {QStringLiteral("CREATE TRIGGER HISTALTERACAO_FIXA BEFORE UPDATE ON HISTALTERACAO"
                               " BEGIN SELECT RAISE(ABORT, '%1'); END")
                    .arg(refused),
                QStringLiteral("CREATE TRIGGER HISTALTERACAO_PODA BEFORE DELETE ON HISTALTERACAO"
                               " WHEN vnd_chamada(3) IS NOT '%1'"
                               " BEGIN SELECT RAISE(ABORT, '%2'); END")
                    .arg(QString::fromUtf16(kPruneMethod), refused)};
    return {QStringLiteral("CREATE FUNCTION HISTALTERACAO_FIXA() RETURNS trigger"
                           " LANGUAGE plpgsql AS $body$ BEGIN"
                           " IF TG_OP = 'DELETE' AND"
                           " current_setting('vnd42700.metodo', true) = '%1' THEN RETURN NULL;"
                           " END IF;"
                           " RAISE EXCEPTION '%2'; END $body$")
                .arg(QString::fromUtf16(kPruneMethod), refused),
            QStringLiteral("CREATE TRIGGER HISTALTERACAO_FIXA BEFORE UPDATE OR DELETE OR"
                           " TRUNCATE ON HISTALTERACAO FOR EACH STATEMENT"
                           " EXECUTE FUNCTION HISTALTERACAO_FIXA()")};
}

} // namespace

const QStringList &itemColumns()
{
    static const QStringList columns = words("CDTABEPREC DTINIVGPREC CDPRODUTO CDPRPAITABPR");
    return columns;
}

QStringList keyBeyondItem(const RecordedTable &table)
{
    QStringList out;
    for (const QString &c : table.key)
        if (!itemColumns().contains(c))
            out << c;
    return out;
}

const std::vector<RecordedTable> &recordedTables()
{
    static const std::vector<RecordedTable> tables = {
        {QStringLiteral("TABEPRECGER"), words("CDTABEPREC"), words("NMTABEPREC")},
        {QStringLiteral("TABEVEND"), words("CDTABEPREC DTINIVGPREC"),
         words("DTFINVGPREC VRREAJUSTE DTREAJUSTE IDSITVGPREC")},
        {QStringLiteral("TABEPRECFILI"), words("CDFILIAL"), words("CDTABEPREC")},
        {QStringLiteral("PRODUTO"), words("CDPRODUTO"),
         words("NMPRODUTO CDARVPROD CDNVPRODUTO CDBARPRODUTO")},
        {QStringLiteral("ITEMPRECO"), words("CDTABEPREC DTINIVGPREC CDPRODUTO CDPRPAITABPR"),
         words("VRPRECITEM VRPRECITEMCMD VRPRECITEMDLV VRPRECITEMCL IDPRECVARIA VRPRESUGITEM"
               " VRCUSTITEM VRMKUPITEM IDPRODPROMOC HRINIVENPROD HRFIMVENPROD")},
        {QStringLiteral("ITEMPRECODIA"),
         words("CDTABEPREC DTINIVGPREC CDPRODUTO CDPRPAITABPR CDTIPOCONSPD NRDIASEMANPR"
               " HRINIPRECDIA HRFINPRECDIA DTINIVALPREC"),
         words("IDPERVALORPR IDDESCACREPR VRPRECODIA DTFINVALPREC IDVISUACUPOM IDTPMODCMD"
               " IDTPMODDLV IDTPMODGERAL VRPRECODIACMD VRPRECODIADLV")},
    };
    return tables;
}

const RecordedTable *recordedTable(const QString &name)
{
    for (const RecordedTable &t : recordedTables())
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

namespace
{

// Line numbers are never reused, pruned or not. Times in microseconds since the epoch (UTC):
// one per transaction, ordered as the writers took the lock. The item's columns and the time
// are what the queries look up by.
QString lineTable(Dialect dialect, const QString &name, const QString &operationCheck)
{
    return QStringLiteral("CREATE TABLE %1 ("
                          " NRALTERACAO %2,"
                          " DTALTERACAO BIGINT NOT NULL,"
                          " CDUSUARIO VARCHAR(40),"
                          " DSENDERECO VARCHAR(100),"
                          " NMMETODO VARCHAR(40),"
                          " NMTABELA VARCHAR(20) NOT NULL,"
                          " IDOPERACAO VARCHAR(1) NOT NULL CHECK (%3),"
                          " CDTABEPREC VARCHAR(3),"
                          " DTINIVGPREC VARCHAR(10),"
                          " CDPRODUTO VARCHAR(10),"
                          " CDPRPAITABPR VARCHAR(10),"
                          " DSCHAVE TEXT NOT NULL,"
                          " DSANTES TEXT,"
                          " DSDEPOIS TEXT)")
        .arg(name,
             dialect == Dialect::Postgres
                 ? QStringLiteral("BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY")
                 : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT"),
             operationCheck);
}

QString singleItemIndex(Dialect dialect)
{
    return QStringLiteral(
               "CREATE INDEX HISTALTERACAO_ITEM ON HISTALTERACAO"
               " (CDPRODUTO, CDTABEPREC, DTINIVGPREC, CDPRPAITABPR, NRALTERACAO) WHERE %1")
        .arg(bulkLine(false, dialect));
}

QStringList timeIndexes(Dialect dialect)
{
    return {QStringLiteral("CREATE INDEX HISTALTERACAO_DATA ON HISTALTERACAO (DTALTERACAO)"
                           " WHERE %1")
                .arg(bulkLine(false, dialect)),
            QStringLiteral("CREATE INDEX HISTALTERACAO_LOTE ON HISTALTERACAO"
                           " (DTALTERACAO, CDPRODUTO) WHERE %1")
                .arg(bulkLine(true, dialect))};
}

} // namespace

QStringList changeRecordSchema(Dialect dialect)
{
    QStringList out{
        lineTable(dialect, QStringLiteral("HISTALTERACAO"),
                  QStringLiteral("IDOPERACAO IN ('I', 'A', 'E')")),
        QStringLiteral("CREATE INDEX HISTALTERACAO_ITEM ON HISTALTERACAO"
                       " (CDPRODUTO, CDTABEPREC, DTINIVGPREC, CDPRPAITABPR, NRALTERACAO)"),
        QStringLiteral("CREATE INDEX HISTALTERACAO_DATA ON HISTALTERACAO (DTALTERACAO)"),
    };
    out << guard(dialect);
    return out;
}

QStringList changeRecordIndexes(Dialect dialect)
{
    // An item's lines of a single save are found by product. A bulk call's, by product too,
    // went to every page of that index, as many pages read and written again as the call
    // had products: they go by table, period and time, where each call's lines are appended,
    // and an item's history looks them up once per bulk call.
    return {
        QStringLiteral("DROP INDEX HISTALTERACAO_ITEM"),
        singleItemIndex(dialect),
        QStringLiteral("CREATE INDEX HISTALTERACAO_LOTE ON HISTALTERACAO"
                       " (CDTABEPREC, DTINIVGPREC, DTALTERACAO, CDPRODUTO, CDPRPAITABPR) WHERE %1")
            .arg(bulkLine(true, dialect)),
    };
}

QStringList changeRecordLeanLines(Dialect dialect)
{
    QStringList out;
    if (dialect == Dialect::Sqlite) {
        // SQLite built the check's IN list anew on every trigger run, at a cost of a few
        // times the line's insertion: the table is copied to one checked by comparisons. Its
        // triggers go first, as a rename finds every trigger naming a table that is gone; the
        // record's own come back below.
        for (const RecordedTable &t : recordedTables())
            out << droppedTriggers(t, dialect);
        out << lineTable(dialect, QStringLiteral("HISTALTERACAO_V7"),
                         QStringLiteral("IDOPERACAO = 'I' OR IDOPERACAO = 'A' OR"
                                        " IDOPERACAO = 'E'"))
            << QStringLiteral("INSERT INTO HISTALTERACAO_V7 SELECT * FROM HISTALTERACAO")
            << QStringLiteral("DELETE FROM sqlite_sequence WHERE name = 'HISTALTERACAO_V7'")
            << QStringLiteral("INSERT INTO sqlite_sequence (name, seq) SELECT"
                              " 'HISTALTERACAO_V7', seq FROM sqlite_sequence"
                              " WHERE name = 'HISTALTERACAO'")
            << QStringLiteral("DROP TABLE HISTALTERACAO")
            << QStringLiteral("ALTER TABLE HISTALTERACAO_V7 RENAME TO HISTALTERACAO")
            << singleItemIndex(dialect) << guard(dialect);
    } else {
        out << QStringLiteral("DROP INDEX HISTALTERACAO_LOTE")
            << QStringLiteral("DROP INDEX HISTALTERACAO_DATA");
    }
    // A bulk call's line was written to two indexes besides the table, the wider one
    // costing most of the line: it goes to one, by time and product only. An item's history
    // finds each bulk call by its time, and its lines by product. Times of other lines are
    // indexed apart.
    return out << timeIndexes(dialect);
}

QStringList changeRecordListedMethods(Dialect dialect)
{
    if (dialect == Dialect::Sqlite)
        return {};
    return QStringList{QStringLiteral("DROP INDEX HISTALTERACAO_ITEM"),
                       QStringLiteral("DROP INDEX HISTALTERACAO_DATA"),
                       QStringLiteral("DROP INDEX HISTALTERACAO_LOTE"), singleItemIndex(dialect)}
           << timeIndexes(dialect);
}

const QStringList &bulkMethods()
{
    // Their previews write (and roll back) the same lines. The loading of --init too.
    static const QStringList names = [] {
        QStringList out{QStringLiteral("--init")};
        for (const char *m :
             {"setConfirmar", "SetUpdItemPrecoAlt", "SetAddPrefixo", "SetDelPrefixo", "SetPrecDif"})
            out << QString::fromLatin1(m) << QString::fromLatin1(m) + QStringLiteral("Previa");
        out << QStringLiteral("setTabGeral") << QStringLiteral("setVigenciaTab");
        return out;
    }();
    return names;
}

bool isBulkMethod(const QString &method)
{
    return bulkMethods().contains(method);
}

QString bulkLine(bool bulk, Dialect dialect)
{
    return bulkMethod(QStringLiteral("NMMETODO"), bulk, dialect);
}

QStringList changeRecordParts(Dialect)
{
    // A part stands for many rows of one table changed alike by a bulk call: their keys and
    // images in arrays, its products from CDPRODUTO to CDPRODUTOFIM. An item's history finds
    // the parts of each bulk call whose range holds its product.
    return {
        QStringLiteral("ALTER TABLE HISTALTERACAO ADD COLUMN CDPRODUTOFIM VARCHAR(10)"),
        QStringLiteral("ALTER TABLE HISTALTERACAO ADD COLUMN NRLINHAS INTEGER"),
        QStringLiteral("CREATE INDEX HISTALTERACAO_PARTE ON HISTALTERACAO"
                       " (DTALTERACAO, CDPRODUTO, CDPRODUTOFIM) WHERE NRLINHAS IS NOT NULL"),
    };
}

QStringList changeRecordTriggers(Dialect dialect)
{
    QStringList out;
    // Dropping what a database never had is no news.
    if (dialect == Dialect::Postgres)
        out << QStringLiteral("SET LOCAL client_min_messages = warning");
    for (const RecordedTable &t : recordedTables())
        out << droppedTriggers(t, dialect)
            << (dialect == Dialect::Postgres ? postgresTriggers(t) : sqliteTriggers(t));
    return out;
}

} // namespace vnd::server
