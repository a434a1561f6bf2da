#include "host/db/hostdatabase.h"

#include "host/services/errors.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

namespace vnd::db
{

namespace
{
const QString kConnection = QStringLiteral("vnd-host");
}

void openHostDatabase(const QString &address)
{
    closeHostDatabase();
    QSqlDatabase db;
    if (address.startsWith(QLatin1String("sqlite:"))) {
        const QString path = address.mid(7);
        if (path.isEmpty() || !QFileInfo::exists(path))
            throw Error(QStringLiteral("Banco de dados não encontrado: %1").arg(path));
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnection);
        db.setDatabaseName(path);
        // Lookups only read; a busy writer (the application server) must not fail them.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    } else if (address.startsWith(QLatin1String("postgresql://")) ||
               address.startsWith(QLatin1String("postgres://"))) {
        const QUrl url(address);
        if (!url.isValid() || url.path().size() < 2)
            throw Error(QStringLiteral("Endereço de banco de dados inválido: %1").arg(address));
        db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), kConnection);
        db.setHostName(url.host());
        db.setPort(url.port(5432));
        db.setUserName(url.userName());
        db.setPassword(url.password());
        db.setDatabaseName(url.path().mid(1));
    } else {
        throw Error(QStringLiteral("Endereço de banco de dados inválido: \"%1\". Use "
                                   "sqlite:CAMINHO ou postgresql://usuario@servidor/banco.")
                        .arg(address));
    }
    if (!db.open()) {
        const QString why = db.lastError().text();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(kConnection);
        throw Error(QStringLiteral("Não foi possível abrir o banco de dados: %1").arg(why));
    }
    // The host only looks things up; writes belong to the application server.
    QSqlQuery guard(db);
    guard.exec(db.driverName() == QLatin1String("QSQLITE")
                   ? QStringLiteral("PRAGMA query_only = 1")
                   : QStringLiteral("SET default_transaction_read_only = on"));
}

void closeHostDatabase()
{
    if (!QSqlDatabase::contains(kConnection))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(kConnection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(kConnection);
}

bool hostDatabaseOpen()
{
    return QSqlDatabase::contains(kConnection) &&
           QSqlDatabase::database(kConnection, false).isOpen();
}

QSqlDatabase hostDatabase()
{
    if (!hostDatabaseOpen())
        throw Error(QStringLiteral("O banco de dados do sistema não está aberto."));
    return QSqlDatabase::database(kConnection, false);
}

} // namespace vnd::db
