// A server killed (SIGKILL) in the middle of a bulk copy: once started again, the copied rows
// and the change record's lines of them are there together or not at all.

#include "server/demousers.h"
#include "server/schema.h"
#include "server/server.h"
#include "server/sessionstore.h"
#include "server/sqlstatement.h"
#include "server/syntheticdata.h"
#include "serverfixture.h"
#include "serverprocess.h"
#include "testdatabase.h"

#include <sqlite3.h>

#include <QDateTime>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <thread>

namespace vnd::server::test
{
namespace
{

qint64 count(const Database &db, const QString &sql, const QString &table)
{
    SqlStatement q(db.connection(), sql);
    q.bind(table).exec();
    return q.next() ? q.value(0).toLongLong() : -1;
}

// True while a writer holds the database: SQLite's write lock, or the server's on PostgreSQL.
class WriteProbe
{
public:
    explicit WriteProbe(const TestDatabase &database) : m_db(database.url())
    {
        if (TestDatabase::onPostgres())
            return;
        const QString path = database.url().mid(database.url().indexOf(u':') + 1);
        sqlite3_open(path.toUtf8().constData(), &m_sqlite);
    }
    ~WriteProbe() { sqlite3_close(m_sqlite); }
    WriteProbe(const WriteProbe &) = delete;
    WriteProbe &operator=(const WriteProbe &) = delete;

    bool writing()
    {
        if (m_sqlite) {
            if (sqlite3_exec(m_sqlite, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
                return true;
            sqlite3_exec(m_sqlite, "ROLLBACK", nullptr, nullptr, nullptr);
            return false;
        }
        SqlStatement q(m_db.connection(),
                       QStringLiteral("SELECT COUNT(*) FROM pg_locks WHERE locktype = 'advisory'"
                                      " AND objid = 42700 AND granted AND database = (SELECT oid"
                                      " FROM pg_database WHERE datname = current_database())"));
        q.exec();
        return q.next() && q.value(0).toInt() > 0;
    }

private:
    Database m_db;
    sqlite3 *m_sqlite = nullptr;
};

TEST(KilledServer, BulkCopyKilledHalfwayLeavesRowsAndRecordTogether)
{
    const TestDatabase fresh;
    std::string token;
    {
        const Database db(fresh.url());
        Schema::upgrade(db);
        loadSyntheticData(db, 4000, QDate::currentDate());
        addDemoUsers(db);
        token = SessionStore(db)
                    .open(QStringLiteral("gerente"), QStringLiteral("teste"),
                          QDateTime::currentSecsSinceEpoch(), ServerOptions().sessions)
                    .toStdString();
    }
    QTemporaryDir logs;
    ASSERT_TRUE(logs.isValid());
    auto server = std::make_unique<ServerProcess>(fresh.url(), logs.filePath("1.log"));
    ASSERT_GT(server->port(), 0);

    // The copy is under way once the writer has held the database for a while (PostgreSQL's
    // copy is over in a few milliseconds: there, once seen).
    const qint64 longEnough = TestDatabase::onPostgres() ? 0 : 30;
    std::jthread copy([port = server->port(), token] {
        callOn(port, QStringLiteral("setConfirmar"), {"900", "COPIA", "001", "", "T"},
               data::Encoding::Cbor, token);
    });
    WriteProbe probe(fresh);
    QElapsedTimer waited, held;
    waited.start();
    while (waited.elapsed() < 60000 && !(held.isValid() && held.elapsed() >= longEnough)) {
        if (!probe.writing())
            held.invalidate();
        else if (!held.isValid())
            held.start();
        if (!held.isValid())
            QThread::msleep(1);
    }
    ASSERT_TRUE(held.isValid()) << "the copy was never seen writing";
    server->kill();
    copy.join();

    server = std::make_unique<ServerProcess>(fresh.url(), logs.filePath("2.log"));
    ASSERT_GT(server->port(), 0) << "the server did not start again";
    const Database db(fresh.url());
    const QString table = QStringLiteral("900");
    const auto rowsOf = [&](const QString &name, const QString &code) {
        return count(db, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE CDTABEPREC = ?").arg(name),
                     code);
    };
    const QString origin = QStringLiteral("001");
    const bool copied =
        count(db, QStringLiteral("SELECT COUNT(*) FROM TABEPRECGER WHERE CDTABEPREC = ?"), table) ==
        1;
    for (const char *part : {"TABEPRECGER", "TABEVEND", "ITEMPRECO", "ITEMPRECODIA"}) {
        const QString name = QString::fromLatin1(part);
        const qint64 rows = rowsOf(name, table);
        // Every line names its table code as a column, a part's the code all its rows share.
        const qint64 lines =
            count(db,
                  QStringLiteral("SELECT COALESCE(SUM(COALESCE(NRLINHAS, 1)), 0) FROM HISTALTERACAO"
                                 " WHERE NMTABELA = '%1' AND IDOPERACAO = 'I' AND CDTABEPREC = ?")
                      .arg(name),
                  table);
        EXPECT_EQ(rows, copied ? rowsOf(name, origin) : 0) << part;
        EXPECT_EQ(lines, rows) << part;
    }
    // The server serves again: the copy, made whole this time or refused as already made.
    const Answer again = callOn(server->port(), QStringLiteral("setConfirmar"),
                                {"900", "COPIA", "001", "", "T"}, data::Encoding::Cbor, token);
    EXPECT_EQ(again.status, copied ? 422 : 200) << again.reply.errorMessage.toStdString();
}

} // namespace
} // namespace vnd::server::test
