#include "server/schema.h"

#include "server/changerecordschema.h"
#include "server/dberror.h"
#include "server/sqlstatement.h"
#include "server/unitofwork.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <algorithm>
#include <stdexcept>

namespace vnd::server
{

namespace
{

// The nine identity values of a day/hour rule are its key, so a duplicate rule cannot
// be stored even by two clients racing past the duplicate check.
const char kRuleTable[] =
    "CREATE TABLE ITEMPRECODIA ("
    " CDTABEPREC VARCHAR(3) NOT NULL,"
    " DTINIVGPREC VARCHAR(10) NOT NULL,"
    " CDPRPAITABPR VARCHAR(10) NOT NULL,"
    " CDPRODUTO VARCHAR(10) NOT NULL,"
    " NRDIASEMANPR VARCHAR(1) NOT NULL,"
    " IDPERVALORPR VARCHAR(1),"
    " IDDESCACREPR VARCHAR(1),"
    " HRINIPRECDIA VARCHAR(4) NOT NULL,"
    " HRFINPRECDIA VARCHAR(4) NOT NULL,"
    " VRPRECODIA DOUBLE PRECISION,"
    " DTINIVALPREC VARCHAR(10) NOT NULL,"
    " DTFINVALPREC VARCHAR(10),"
    " CDTIPOCONSPD VARCHAR(2) NOT NULL,"
    " IDVISUACUPOM VARCHAR(1),"
    " IDTPMODCMD VARCHAR(1),"
    " IDTPMODDLV VARCHAR(1),"
    " IDTPMODGERAL VARCHAR(1),"
    " VRPRECODIACMD DOUBLE PRECISION,"
    " VRPRECODIADLV DOUBLE PRECISION,"
    " PRIMARY KEY (CDTABEPREC, DTINIVGPREC, CDPRODUTO, CDPRPAITABPR, CDTIPOCONSPD,"
    "   NRDIASEMANPR, HRINIPRECDIA, HRFINPRECDIA, DTINIVALPREC),"
    " FOREIGN KEY (CDTABEPREC, DTINIVGPREC, CDPRODUTO, CDPRPAITABPR)"
    "   REFERENCES ITEMPRECO (CDTABEPREC, DTINIVGPREC, CDPRODUTO, CDPRPAITABPR)"
    "   ON DELETE CASCADE ON UPDATE CASCADE)";

// Dates are ISO texts ('YYYY-MM-DD') so that comparisons and the host's direct queries work
// the same on every database. Codes are texts of the widths the windows use.
const char *const kVersion1[] = {
    "CREATE TABLE CONFIGHOST ("
    " CHAVE VARCHAR(40) NOT NULL PRIMARY KEY,"
    " VALOR VARCHAR(200))",

    "CREATE TABLE TABEPRECGER ("
    " CDTABEPREC VARCHAR(3) NOT NULL PRIMARY KEY,"
    " NMTABEPREC VARCHAR(20) NOT NULL)",

    "CREATE TABLE TABEVEND ("
    " CDTABEPREC VARCHAR(3) NOT NULL REFERENCES TABEPRECGER (CDTABEPREC)"
    "   ON DELETE CASCADE ON UPDATE CASCADE,"
    " DTINIVGPREC VARCHAR(10) NOT NULL,"
    " DTFINVGPREC VARCHAR(10) NOT NULL,"
    " VRREAJUSTE DOUBLE PRECISION,"
    " DTREAJUSTE VARCHAR(10),"
    " IDSITVGPREC VARCHAR(1),"
    " PRIMARY KEY (CDTABEPREC, DTINIVGPREC),"
    " CHECK (DTINIVGPREC <= DTFINVGPREC))",

    "CREATE TABLE FILIAL ("
    " CDFILIAL VARCHAR(4) NOT NULL PRIMARY KEY,"
    " NMFILIAL VARCHAR(30) NOT NULL,"
    " NMCIDADE VARCHAR(30),"
    " SGESTADO VARCHAR(2))",

    // One table per branch: the branch is the key.
    "CREATE TABLE TABEPRECFILI ("
    " CDFILIAL VARCHAR(4) NOT NULL PRIMARY KEY REFERENCES FILIAL (CDFILIAL)"
    "   ON DELETE CASCADE ON UPDATE CASCADE,"
    " CDTABEPREC VARCHAR(3) NOT NULL REFERENCES TABEPRECGER (CDTABEPREC)"
    "   ON DELETE CASCADE ON UPDATE CASCADE)",
    "CREATE INDEX TABEPRECFILI_TAB ON TABEPRECFILI (CDTABEPREC)",

    // CDARVPROD is the tree code without the picture's literals; CDNVPRODUTO its level.
    "CREATE TABLE PRODUTO ("
    " CDPRODUTO VARCHAR(10) NOT NULL PRIMARY KEY,"
    " NMPRODUTO VARCHAR(50) NOT NULL,"
    " CDARVPROD VARCHAR(20) NOT NULL UNIQUE,"
    " CDNVPRODUTO INTEGER NOT NULL,"
    " CDBARPRODUTO VARCHAR(30))",
    "CREATE INDEX PRODUTO_NIVEL ON PRODUTO (CDNVPRODUTO, CDARVPROD)",

    "CREATE TABLE PRODCOMP ("
    " CDPRODUTO VARCHAR(10) NOT NULL REFERENCES PRODUTO (CDPRODUTO)"
    "   ON DELETE CASCADE ON UPDATE CASCADE,"
    " CDPRODCOMP VARCHAR(10) NOT NULL REFERENCES PRODUTO (CDPRODUTO) ON UPDATE CASCADE,"
    " QUANTIDADE DOUBLE PRECISION NOT NULL,"
    " IDIMPPRODROT CHAR(1),"
    " PRIMARY KEY (CDPRODUTO, CDPRODCOMP))",
    "CREATE INDEX PRODCOMP_COMP ON PRODCOMP (CDPRODCOMP)",

    "CREATE TABLE TIPOCONS ("
    " CDTIPOCONS VARCHAR(2) NOT NULL PRIMARY KEY,"
    " NMTIPOCONS VARCHAR(20) NOT NULL)",

    "CREATE TABLE TIPOCONSFILI ("
    " CDFILIAL VARCHAR(4) NOT NULL REFERENCES FILIAL (CDFILIAL)"
    "   ON DELETE CASCADE ON UPDATE CASCADE,"
    " CDTIPOCONS VARCHAR(2) NOT NULL REFERENCES TIPOCONS (CDTIPOCONS)"
    "   ON DELETE CASCADE ON UPDATE CASCADE,"
    " PRIMARY KEY (CDFILIAL, CDTIPOCONS))",
    "CREATE INDEX TIPOCONSFILI_TIPO ON TIPOCONSFILI (CDTIPOCONS)",

    "CREATE TABLE ITEMPRECO ("
    " CDTABEPREC VARCHAR(3) NOT NULL,"
    " DTINIVGPREC VARCHAR(10) NOT NULL,"
    " CDPRODUTO VARCHAR(10) NOT NULL REFERENCES PRODUTO (CDPRODUTO) ON UPDATE CASCADE,"
    " CDPRPAITABPR VARCHAR(10) NOT NULL REFERENCES PRODUTO (CDPRODUTO) ON UPDATE CASCADE,"
    " VRPRECITEM DOUBLE PRECISION,"
    " VRPRECITEMCMD DOUBLE PRECISION,"
    " VRPRECITEMDLV DOUBLE PRECISION,"
    " VRPRECITEMCL DOUBLE PRECISION,"
    " IDPRECVARIA VARCHAR(1),"
    " VRPRESUGITEM DOUBLE PRECISION,"
    " VRCUSTITEM DOUBLE PRECISION,"
    " VRMKUPITEM DOUBLE PRECISION,"
    " IDPRODPROMOC VARCHAR(1),"
    " HRINIVENPROD VARCHAR(4),"
    " HRFIMVENPROD VARCHAR(4),"
    " PRIMARY KEY (CDTABEPREC, DTINIVGPREC, CDPRODUTO, CDPRPAITABPR),"
    " FOREIGN KEY (CDTABEPREC, DTINIVGPREC) REFERENCES TABEVEND (CDTABEPREC, DTINIVGPREC)"
    "   ON DELETE CASCADE ON UPDATE CASCADE)",
    "CREATE INDEX ITEMPRECO_PROD ON ITEMPRECO (CDPRODUTO)",
    "CREATE INDEX ITEMPRECO_PAI ON ITEMPRECO (CDPRPAITABPR)",

    kRuleTable,
};

// Money and percentages exact in PostgreSQL. SQLite keeps REAL, read back through the
// shortest decimal form: its NUMERIC affinity would turn 12.00 into the integer 12.
const char *const kVersion2Postgres[] = {
    "ALTER TABLE TABEVEND ALTER COLUMN VRREAJUSTE TYPE NUMERIC",
    "ALTER TABLE ITEMPRECO ALTER COLUMN VRPRECITEM TYPE NUMERIC,"
    " ALTER COLUMN VRPRECITEMCMD TYPE NUMERIC, ALTER COLUMN VRPRECITEMDLV TYPE NUMERIC,"
    " ALTER COLUMN VRPRECITEMCL TYPE NUMERIC, ALTER COLUMN VRPRESUGITEM TYPE NUMERIC,"
    " ALTER COLUMN VRCUSTITEM TYPE NUMERIC, ALTER COLUMN VRMKUPITEM TYPE NUMERIC",
    "ALTER TABLE ITEMPRECODIA ALTER COLUMN VRPRECODIA TYPE NUMERIC,"
    " ALTER COLUMN VRPRECODIACMD TYPE NUMERIC, ALTER COLUMN VRPRECODIADLV TYPE NUMERIC",
};

// The checks of a day/hour rule that the row alone allows: codes from their tables, times of
// four digits (or blanks, which the masks leave), validity in order and from the period's
// start, a general value above 0. The server makes every check first and answers with the
// window's text; these hold whatever else writes to the table. %1 is a time column.
struct RuleCheck {
    const char *name;
    const char *condition;
};

const RuleCheck kRuleChecks[] = {
    {"ITEMPRECODIA_DIA",
     "COALESCE(NRDIASEMANPR, '') IN ('1', '2', '3', '4', '5', '6', '7', 'V', 'F', 'T')"},
    {"ITEMPRECODIA_PERVALOR", "COALESCE(IDPERVALORPR, '') IN ('P', 'V')"},
    {"ITEMPRECODIA_DESCACRE", "COALESCE(IDDESCACREPR, '') IN ('D', 'A')"},
    {"ITEMPRECODIA_FLAGS",
     "COALESCE(IDVISUACUPOM, '') IN ('S', 'N') AND COALESCE(IDTPMODCMD, '') IN ('S', 'N') AND"
     " COALESCE(IDTPMODDLV, '') IN ('S', 'N') AND COALESCE(IDTPMODGERAL, '') IN ('S', 'N')"},
    {"ITEMPRECODIA_HRINI", "%1"},
    {"ITEMPRECODIA_HRFIN", "%1"},
    {"ITEMPRECODIA_VALIDADE", "DTFINVALPREC IS NOT NULL AND DTINIVALPREC >= DTINIVGPREC AND"
                              " DTFINVALPREC >= DTINIVALPREC"},
    {"ITEMPRECODIA_VALOR", "COALESCE(VRPRECODIA, 0) > 0"},
};

QString ruleCheck(const RuleCheck &check, Dialect dialect)
{
    const QString name = QString::fromLatin1(check.name);
    const QString column = name.endsWith(QLatin1String("HRINI")) ? QStringLiteral("HRINIPRECDIA")
                                                                 : QStringLiteral("HRFINPRECDIA");
    const QString time =
        dialect == Dialect::Sqlite
            ? QStringLiteral("length(%1) = 4 AND %1 NOT GLOB '*[^0-9 ]*'").arg(column)
            : QStringLiteral("%1 ~ '^[0-9 ]{4}$'").arg(column);
    return QString::fromLatin1(check.condition).replace(QLatin1String("%1"), time);
}

// "T", all consumer types, is no row of TIPOCONS: the foreign key holds on a column that is
// the consumer type but no value for "T".
const char kTypeColumn[] =
    "CDTIPOCONSREF VARCHAR(2) GENERATED ALWAYS AS (NULLIF(CDTIPOCONSPD, 'T'))";

const char kRuleColumns[] =
    "CDTABEPREC, DTINIVGPREC, CDPRPAITABPR, CDPRODUTO, NRDIASEMANPR, IDPERVALORPR,"
    " IDDESCACREPR, HRINIPRECDIA, HRFINPRECDIA, VRPRECODIA, DTINIVALPREC, DTFINVALPREC,"
    " CDTIPOCONSPD, IDVISUACUPOM, IDTPMODCMD, IDTPMODDLV, IDTPMODGERAL, VRPRECODIACMD,"
    " VRPRECODIADLV";

// Rules stored before these checks stay as they are, readable and deletable, and --init
// reports them; every row written from now on is checked. SQLite cannot add constraints to a
// table, so the table is rebuilt and its rows copied without checking them (the upgrade runs
// with CHECK constraints and foreign keys off); PostgreSQL adds them NOT VALID.
QStringList version3(Dialect dialect)
{
    QStringList out;
    if (dialect == Dialect::Postgres) {
        for (const RuleCheck &c : kRuleChecks)
            out << QStringLiteral("ALTER TABLE ITEMPRECODIA ADD CONSTRAINT %1 CHECK (%2) NOT VALID")
                       .arg(QString::fromLatin1(c.name), ruleCheck(c, dialect));
        out << QStringLiteral("ALTER TABLE ITEMPRECODIA ADD COLUMN %1 STORED")
                   .arg(QString::fromLatin1(kTypeColumn))
            << QStringLiteral("ALTER TABLE ITEMPRECODIA ADD CONSTRAINT ITEMPRECODIA_TIPOCONS "
                              "FOREIGN KEY (CDTIPOCONSREF) REFERENCES TIPOCONS (CDTIPOCONS) "
                              "NOT VALID");
        return out;
    }
    QString table = QString::fromLatin1(kRuleTable);
    table.replace(QLatin1String("TABLE ITEMPRECODIA ("), QLatin1String("TABLE ITEMPRECODIA_V3 ("));
    // Columns come before the table's constraints.
    table.insert(table.indexOf(QLatin1String(" PRIMARY KEY")),
                 QStringLiteral(" %1 VIRTUAL REFERENCES TIPOCONS (CDTIPOCONS),")
                     .arg(QString::fromLatin1(kTypeColumn)));
    table.chop(1);
    for (const RuleCheck &c : kRuleChecks)
        table += QStringLiteral(", CONSTRAINT %1 CHECK (%2)")
                     .arg(QString::fromLatin1(c.name), ruleCheck(c, dialect));
    table += u')';
    const QString columns = QString::fromLatin1(kRuleColumns);
    out << table
        << QStringLiteral("INSERT INTO ITEMPRECODIA_V3 (%1) SELECT %1 FROM ITEMPRECODIA")
               .arg(columns)
        << QStringLiteral("DROP TABLE ITEMPRECODIA")
        << QStringLiteral("ALTER TABLE ITEMPRECODIA_V3 RENAME TO ITEMPRECODIA");
    return out;
}

// Users, their sessions and the failed sign-ins of each login tried. Times are seconds since
// the epoch (UTC), the same on every server. A session is known by its token's hash only.
// Failures are kept per login text, whether or not such a user exists.
const char *const kVersion4[] = {
    "CREATE TABLE USUARIO ("
    " CDUSUARIO VARCHAR(40) NOT NULL PRIMARY KEY,"
    " NMUSUARIO VARCHAR(60) NOT NULL,"
    " IDPAPEL VARCHAR(15) NOT NULL"
    "   CHECK (IDPAPEL IN ('consulta', 'precos', 'gerente', 'administrador')),"
    " IDATIVO VARCHAR(1) NOT NULL CHECK (IDATIVO IN ('S', 'N')),"
    " DSSENHA VARCHAR(255) NOT NULL)",

    "CREATE TABLE SESSAO ("
    " CDHASHSESSAO VARCHAR(64) NOT NULL PRIMARY KEY,"
    " CDUSUARIO VARCHAR(40) NOT NULL REFERENCES USUARIO (CDUSUARIO)"
    "   ON DELETE CASCADE ON UPDATE CASCADE,"
    " DTCRIACAO BIGINT NOT NULL,"
    " DTULTIMOUSO BIGINT NOT NULL,"
    " DSENDERECO VARCHAR(100))",
    "CREATE INDEX SESSAO_USUARIO ON SESSAO (CDUSUARIO)",

    "CREATE TABLE FALHAENTRADA ("
    " CDLOGIN VARCHAR(40) NOT NULL PRIMARY KEY,"
    " QTFALHAS INTEGER NOT NULL,"
    " DTULTIMAFALHA BIGINT NOT NULL)",
};

struct Statements {
    const char *const *list = nullptr;
    size_t count = 0;
};

struct Migration {
    Statements common;
    Statements postgres;                     // after the common ones, on PostgreSQL only
    QStringList (*built)(Dialect) = nullptr; // after those, built for the dialect
};

const Migration kMigrations[] = {
    {{kVersion1, std::size(kVersion1)}, {}},
    {{}, {kVersion2Postgres, std::size(kVersion2Postgres)}},
    {{}, {}, version3},
    {{kVersion4, std::size(kVersion4)}, {}},
    {{}, {}, changeRecordSchema},
    {{}, {}, changeRecordIndexes},
    {{}, {}, changeRecordLeanLines},
    {{}, {}, changeRecordTriggers},
    // Again, for PostgreSQL's pairing of altered rows by hash.
    {{}, {}, changeRecordTriggers},
    {{}, {}, changeRecordParts},
    // Again, for PostgreSQL's parts of bulk calls.
    {{}, {}, changeRecordTriggers},
    // PostgreSQL's partial indexes on a list of methods, and its key trigger only for an
    // UPDATE that sets a key column: both conditions were prepared anew for every save.
    {{}, {}, changeRecordListedMethods},
    {{}, {}, changeRecordTriggers},
    // Again, for PostgreSQL's row triggers for the lines of calls other than bulk ones.
    {{}, {}, changeRecordTriggers},
    // Again, for PostgreSQL comparing altered rows column by column.
    {{}, {}, changeRecordTriggers},
};

// Schema statements run as they are: PostgreSQL cannot prepare DDL.
void execute(const QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw DbError::fromSqlError(q.lastError());
}

// While SQLite rebuilds a table, the rows it copies are not checked again: rows stored before
// a check keep their place. Only outside a transaction can foreign keys be switched.
class UncheckedCopies
{
public:
    explicit UncheckedCopies(const Database &database)
        : m_db(database.connection()), m_on(database.dialect() == Dialect::Sqlite)
    {
        if (!m_on)
            return;
        execute(m_db, QStringLiteral("PRAGMA foreign_keys = OFF"));
        execute(m_db, QStringLiteral("PRAGMA ignore_check_constraints = ON"));
    }
    ~UncheckedCopies()
    {
        if (!m_on)
            return;
        QSqlQuery q(m_db);
        q.exec(QStringLiteral("PRAGMA ignore_check_constraints = OFF"));
        q.exec(QStringLiteral("PRAGMA foreign_keys = ON"));
    }
    UncheckedCopies(const UncheckedCopies &) = delete;
    UncheckedCopies &operator=(const UncheckedCopies &) = delete;

private:
    QSqlDatabase m_db;
    bool m_on;
};

bool hasVersionTable(const Database &database)
{
    const QStringList tables = database.connection().tables();
    for (const QString &t : tables)
        if (t.compare(QLatin1String("schema_version"), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

int Schema::latestVersion()
{
    return int(std::size(kMigrations));
}

int Schema::currentVersion(const Database &database)
{
    if (!hasVersionTable(database))
        return 0;
    SqlStatement q(database.connection(),
                   QStringLiteral("SELECT MAX(version) FROM schema_version"));
    q.exec();
    return q.next() ? q.value(0).toInt() : 0;
}

int Schema::upgrade(const Database &database, int target)
{
    const UncheckedCopies unchecked(database);
    UnitOfWork work(database);
    const QSqlDatabase db = work.db();
    if (!hasVersionTable(database)) {
        execute(db, QStringLiteral("CREATE TABLE schema_version (version INTEGER NOT NULL)"));
    }
    int version = currentVersion(database);
    if (version > latestVersion())
        throw std::runtime_error("the database was written by a newer version of the server");
    for (; version < std::min(target, latestVersion()); ++version) {
        const Migration &m = kMigrations[version];
        for (size_t i = 0; i < m.common.count; ++i)
            execute(db, QString::fromLatin1(m.common.list[i]));
        if (database.dialect() == Dialect::Postgres)
            for (size_t i = 0; i < m.postgres.count; ++i)
                execute(db, QString::fromLatin1(m.postgres.list[i]));
        if (m.built)
            for (const QString &sql : m.built(database.dialect()))
                execute(db, sql);
        SqlStatement(db, QStringLiteral("DELETE FROM schema_version")).exec();
        SqlStatement(db, QStringLiteral("INSERT INTO schema_version (version) VALUES (?)"))
            .bind(version + 1)
            .exec();
    }
    work.commit();
    return version;
}

} // namespace vnd::server
