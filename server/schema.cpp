#include "server/schema.h"

#include "server/dberror.h"
#include "server/sqlstatement.h"
#include "server/unitofwork.h"

#include <QSqlQuery>
#include <QStringList>

#include <stdexcept>

namespace vnd::server
{

namespace
{

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

    // The nine identity values of a day/hour rule are its key, so a duplicate rule cannot
    // be stored even by two clients racing past the duplicate check.
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
    "   ON DELETE CASCADE ON UPDATE CASCADE)",
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

struct Statements {
    const char *const *list = nullptr;
    size_t count = 0;
};

struct Migration {
    Statements common;
    Statements postgres; // after the common ones, on PostgreSQL only
};

const Migration kMigrations[] = {
    {{kVersion1, std::size(kVersion1)}, {}},
    {{}, {kVersion2Postgres, std::size(kVersion2Postgres)}},
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

int Schema::upgrade(const Database &database)
{
    UnitOfWork work(database);
    const QSqlDatabase db = work.db();
    if (!hasVersionTable(database)) {
        SqlStatement(db, QStringLiteral("CREATE TABLE schema_version (version INTEGER NOT NULL)"))
            .exec();
    }
    int version = currentVersion(database);
    if (version > latestVersion())
        throw std::runtime_error("the database was written by a newer version of the server");
    for (; version < latestVersion(); ++version) {
        const Migration &m = kMigrations[version];
        for (size_t i = 0; i < m.common.count; ++i)
            SqlStatement(db, QString::fromLatin1(m.common.list[i])).exec();
        if (database.dialect() == Dialect::Postgres)
            for (size_t i = 0; i < m.postgres.count; ++i)
                SqlStatement(db, QString::fromLatin1(m.postgres.list[i])).exec();
        SqlStatement(db, QStringLiteral("DELETE FROM schema_version")).exec();
        SqlStatement(db, QStringLiteral("INSERT INTO schema_version (version) VALUES (?)"))
            .bind(version + 1)
            .exec();
    }
    work.commit();
    return version;
}

} // namespace vnd::server
