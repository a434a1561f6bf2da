#include "testdatabase.h"

#include "server/dberror.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include <atomic>

namespace vnd::server::test
{

namespace
{

QString adminUrl()
{
    return qEnvironmentVariable("VND_TEST_PG");
}

void runAsAdmin(const QString &sql)
{
    const Database admin(adminUrl());
    QSqlQuery q(admin.connection());
    if (!q.exec(sql))
        throw DbError::fromSqlError(q.lastError());
}

} // namespace

bool TestDatabase::onPostgres()
{
    return qEnvironmentVariable("VND_TEST_DB") == QLatin1String("postgresql");
}

TestDatabase::TestDatabase()
{
    if (!onPostgres()) {
        m_url = QStringLiteral("sqlite:") + m_dir.filePath(QStringLiteral("test.db"));
        return;
    }
    static std::atomic<int> next{0};
    m_name = QStringLiteral("vndtest_%1_%2").arg(QCoreApplication::applicationPid()).arg(next++);
    runAsAdmin(QStringLiteral("CREATE DATABASE %1").arg(m_name));
    QUrl url(adminUrl());
    url.setPath(u'/' + m_name);
    m_url = url.toString();
}

TestDatabase::~TestDatabase()
{
    if (m_name.isEmpty())
        return;
    try {
        runAsAdmin(QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(m_name));
    } catch (const DbError &e) {
        qWarning("could not drop %s: %s", qPrintable(m_name), qPrintable(e.text()));
    }
}

QString TestDatabase::readOnlyUrl() const
{
    if (m_name.isEmpty())
        return QStringLiteral("sqlite:file:%1?mode=ro")
            .arg(m_dir.filePath(QStringLiteral("test.db")));
    runAsAdmin(
        QStringLiteral("ALTER DATABASE %1 SET default_transaction_read_only = on").arg(m_name));
    return m_url;
}

} // namespace vnd::server::test
