// What SQLite's pre-update hook costs by itself, under the change record's capture of a bulk
// call: the promotion's UPDATE of 100,000 price rows (the server's schema, its triggers off as
// during a capture) bare, with a hook that reads nothing, and with one reading what the
// capture must: the set column's old value, its new one, the key. Best of 9 each, ratios to
// the bare update, in one run.

#include "server/database.h"
#include "server/schema.h"
#include "server/sqlitereads.h"

#define SQLITE_ENABLE_PREUPDATE_HOOK 1
#include <sqlite3.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <string>

using namespace vnd::server;

namespace
{

const int kRows = 100000;

// What the hook reads of each row: nothing, or up to the old set column, its new value and
// the four key columns (numbers as the table lays them out).
int g_reads = 0;
size_t g_sink = 0;

void touch(sqlite3_value *v)
{
    if (v && sqlite3_value_type(v) == SQLITE_TEXT)
        g_sink += size_t(sqlite3_value_bytes(v));
}

void onChange(void *, sqlite3 *db, int, const char *, const char *, sqlite3_int64, sqlite3_int64)
{
    sqlite3_value *v = nullptr;
    if (g_reads >= 1 && sqlite3_preupdate_old(db, 12, &v) == SQLITE_OK)
        touch(v);
    if (g_reads >= 2 && sqlite3_preupdate_new(db, 12, &v) == SQLITE_OK)
        touch(v);
    if (g_reads >= 3)
        for (int column : {0, 1, 2, 3})
            if (sqlite3_preupdate_old(db, column, &v) == SQLITE_OK)
                touch(v);
}

bool run(sqlite3 *db, const std::string &sql)
{
    char *error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql.substr(0, 120).c_str(), error ? error : "?");
        sqlite3_free(error);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const Database database(QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("b.db")));
    Schema::upgrade(database);
    sqlite3 *db = sqliteOf(database.connection());
    if (!db)
        return 1;
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    const std::string rows = "WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s"
                             " WHERE i < " +
                             std::to_string(kRows) + ")";
    if (!run(db, "PRAGMA foreign_keys = OFF") ||
        !run(db, "INSERT INTO ITEMPRECO (CDTABEPREC, DTINIVGPREC, CDPRODUTO, CDPRPAITABPR,"
                 " VRPRECITEM, VRPRECITEMCMD, VRPRECITEMDLV, VRPRECITEMCL, IDPRECVARIA,"
                 " VRPRESUGITEM, VRCUSTITEM, VRMKUPITEM, IDPRODPROMOC, HRINIVENPROD,"
                 " HRFIMVENPROD) " +
                     rows +
                     " SELECT '001', '2026-01-01', printf('%010d', i), printf('%010d', i), 12.5,"
                     " 13, 14, 15, 'N', 16, 10, 1.5, 'N', '0800', '2200' FROM s"))
        return 1;

    const char *const names[] = {"the UPDATE alone", "a hook reading nothing",
                                 "reading the old flag", "and the new flag", "and the key"};
    std::array<double, 5> best;
    best.fill(1e18);
    int flip = 0;
    for (int round = 0; round < 9; ++round)
        for (int mode = 0; mode < 5; ++mode) {
            const char *flag = flip++ % 2 ? "N" : "S";
            g_reads = mode - 1;
            sqlite3_preupdate_hook(db, mode == 0 ? nullptr : onChange, nullptr);
            const auto start = std::chrono::steady_clock::now();
            if (!run(db, std::string("BEGIN; UPDATE ITEMPRECO SET IDPRODPROMOC = '") + flag +
                             "' WHERE CDTABEPREC = '001' AND DTINIVGPREC = '2026-01-01' AND"
                             " CDPRPAITABPR = CDPRODUTO AND (IDPRODPROMOC IS NULL OR"
                             " IDPRODPROMOC <> '" +
                             flag + "'); COMMIT"))
                return 1;
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
            best[size_t(mode)] = std::min(best[size_t(mode)], ms);
        }
    sqlite3_preupdate_hook(db, nullptr, nullptr);
    std::printf("SQLite pre-update hook, UPDATE of %d price rows (best of 9):\n", kRows);
    for (size_t i = 0; i < best.size(); ++i)
        std::printf("  %-24s %7.1f ms, ratio %.2f\n", names[i], best[i], best[i] / best[0]);
    return g_sink == 0 ? 1 : 0;
}
