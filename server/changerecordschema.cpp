#include "server/changerecordschema.h"

namespace vnd::server
{

namespace
{

QStringList words(const char *text)
{
    return QString::fromLatin1(text).split(u' ', Qt::SkipEmptyParts);
}

// The columns the item queries filter on, filled from the row when its table has them.
const QStringList &itemColumns()
{
    static const QStringList columns = words("CDTABEPREC DTINIVGPREC CDPRODUTO CDPRPAITABPR");
    return columns;
}

// Row-level on both databases: SQLite has no other kind, an item's history needs each row
// anyway, and a bulk copy then costs one insert per copied row in the same statement.
QString recordInsert(const RecordedTable &t, Dialect dialect, char16_t op)
{
    const bool pg = dialect == Dialect::Postgres;
    const QString row = op == kDeleted ? QStringLiteral("OLD") : QStringLiteral("NEW");
    const auto image = [&](const QString &which) {
        QStringList pairs;
        for (const QString &c : t.all())
            pairs << QStringLiteral("'%1', CAST(%2.%1 AS TEXT)").arg(c, which);
        return QStringLiteral("%1(%2)").arg(pg ? QStringLiteral("json_build_object")
                                               : QStringLiteral("json_object"),
                                            pairs.join(QStringLiteral(", ")));
    };
    QStringList key;
    for (const QString &c : t.key)
        key << QStringLiteral("CAST(%1.%2 AS TEXT)").arg(row, c);
    QStringList items;
    for (const QString &c : itemColumns())
        items << (t.all().contains(c) ? QStringLiteral("%1.%2").arg(row, c)
                                      : QStringLiteral("NULL"));
    const QString context =
        pg ? QStringLiteral("COALESCE(NULLIF(current_setting('vnd42700.hora', true), '')::bigint,"
                            " (extract(epoch FROM now()) * 1000000)::bigint),"
                            " COALESCE(NULLIF(current_setting('vnd42700.usuario', true), ''),"
                            " session_user),"
                            " COALESCE(NULLIF(current_setting('vnd42700.endereco', true), ''),"
                            " host(inet_client_addr())),"
                            " NULLIF(current_setting('vnd42700.metodo', true), '')")
           : QStringLiteral("vnd_chamada(0), vnd_chamada(1), vnd_chamada(2), vnd_chamada(3)");
    const QString none = QStringLiteral("NULL");
    return QStringLiteral("INSERT INTO HISTALTERACAO (DTALTERACAO, CDUSUARIO, DSENDERECO, NMMETODO,"
                          " NMTABELA, IDOPERACAO, CDTABEPREC, DTINIVGPREC, CDPRODUTO, CDPRPAITABPR,"
                          " DSCHAVE, DSANTES, DSDEPOIS) VALUES (%1, '%2', '%3', %4, %5, %6, %7)")
        .arg(context, t.name, QString(QChar(op)), items.join(QStringLiteral(", ")),
             QStringLiteral("%1(%2)").arg(pg ? QStringLiteral("json_build_array")
                                             : QStringLiteral("json_array"),
                                          key.join(QStringLiteral(", "))),
             op == kInserted ? none : image(QStringLiteral("OLD")),
             op == kDeleted ? none : image(QStringLiteral("NEW")));
}

QString changed(const RecordedTable &t, Dialect dialect)
{
    if (dialect == Dialect::Postgres)
        return QStringLiteral("OLD.* IS DISTINCT FROM NEW.*");
    QStringList any;
    for (const QString &c : t.all())
        any << QStringLiteral("OLD.%1 IS NOT NEW.%1").arg(c);
    return any.join(QStringLiteral(" OR "));
}

QStringList sqliteTriggers(const RecordedTable &t)
{
    QStringList out;
    const struct {
        const char *event;
        char16_t op;
    } events[] = {{"INSERT", kInserted}, {"UPDATE", kAltered}, {"DELETE", kDeleted}};
    for (const auto &e : events) {
        const QString when = e.op == kAltered
                                 ? QStringLiteral(" WHEN %1").arg(changed(t, Dialect::Sqlite))
                                 : QString();
        out << QStringLiteral("CREATE TRIGGER %1_HIST_%2 AFTER %3 ON %1%4 BEGIN %5; END")
                   .arg(t.name, QString(QChar(e.op)), QString::fromLatin1(e.event), when,
                        recordInsert(t, Dialect::Sqlite, e.op));
    }
    return out;
}

QStringList postgresTriggers(const RecordedTable &t)
{
    const QString function =
        QStringLiteral("CREATE FUNCTION %1_HIST() RETURNS trigger LANGUAGE plpgsql AS $body$"
                       " BEGIN"
                       " IF TG_OP = 'INSERT' THEN %2;"
                       " ELSIF TG_OP = 'UPDATE' THEN %3;"
                       " ELSE %4; END IF;"
                       " RETURN NULL;"
                       " END $body$")
            .arg(t.name, recordInsert(t, Dialect::Postgres, kInserted),
                 recordInsert(t, Dialect::Postgres, kAltered),
                 recordInsert(t, Dialect::Postgres, kDeleted));
    return {function,
            QStringLiteral("CREATE TRIGGER %1_HIST_IE AFTER INSERT OR DELETE ON %1"
                           " FOR EACH ROW EXECUTE FUNCTION %1_HIST()")
                .arg(t.name),
            QStringLiteral("CREATE TRIGGER %1_HIST_A AFTER UPDATE ON %1 FOR EACH ROW"
                           " WHEN (%2) EXECUTE FUNCTION %1_HIST()")
                .arg(t.name, changed(t, Dialect::Postgres))};
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

QStringList changeRecordSchema(Dialect dialect)
{
    const bool pg = dialect == Dialect::Postgres;
    // Line numbers are never reused, pruned or not. Times in microseconds since the epoch
    // (UTC): one per transaction, ordered as the writers
    // took the lock. The item's columns and the time are what the queries look up by.
    QStringList out{
        QStringLiteral("CREATE TABLE HISTALTERACAO ("
                       " NRALTERACAO %1,"
                       " DTALTERACAO BIGINT NOT NULL,"
                       " CDUSUARIO VARCHAR(40),"
                       " DSENDERECO VARCHAR(100),"
                       " NMMETODO VARCHAR(40),"
                       " NMTABELA VARCHAR(20) NOT NULL,"
                       " IDOPERACAO VARCHAR(1) NOT NULL CHECK (IDOPERACAO IN ('I', 'A', 'E')),"
                       " CDTABEPREC VARCHAR(3),"
                       " DTINIVGPREC VARCHAR(10),"
                       " CDPRODUTO VARCHAR(10),"
                       " CDPRPAITABPR VARCHAR(10),"
                       " DSCHAVE TEXT NOT NULL,"
                       " DSANTES TEXT,"
                       " DSDEPOIS TEXT)")
            .arg(pg ? QStringLiteral("BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY")
                    : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT")),
        QStringLiteral("CREATE INDEX HISTALTERACAO_ITEM ON HISTALTERACAO"
                       " (CDPRODUTO, CDTABEPREC, DTINIVGPREC, CDPRPAITABPR, NRALTERACAO)"),
        QStringLiteral("CREATE INDEX HISTALTERACAO_DATA ON HISTALTERACAO (DTALTERACAO)"),
    };
    out << guard(dialect);
    for (const RecordedTable &t : recordedTables())
        out << (pg ? postgresTriggers(t) : sqliteTriggers(t));
    return out;
}

} // namespace vnd::server
