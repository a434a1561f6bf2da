#pragma once
// A fresh database for one test: an SQLite file in a temporary folder or, when the suite runs
// on PostgreSQL (VND_TEST_DB=postgresql), a database created on the cluster that VND_TEST_PG
// names (an administrator's URL) and dropped afterwards.

#include "server/database.h"

#include <QString>
#include <QTemporaryDir>

namespace vnd::server::test
{

class TestDatabase
{
public:
    TestDatabase();
    ~TestDatabase();
    TestDatabase(const TestDatabase &) = delete;
    TestDatabase &operator=(const TestDatabase &) = delete;

    const QString &url() const { return m_url; }
    // A URL whose connections may read but not write. On PostgreSQL every connection opened
    // from now on is read-only, as on a standby.
    QString readOnlyUrl() const;

    static bool onPostgres();

private:
    QTemporaryDir m_dir;
    QString m_url;
    QString m_name; // PostgreSQL only
};

} // namespace vnd::server::test
