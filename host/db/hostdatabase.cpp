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

// The shell's lookups must not be a way around the server's checks: a role that can change a
// table (the owner, a superuser, a member of the owner's role) is refused, naming the table.
QString writableTable(const QSqlDatabase &db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral(
            "SELECT current_user, upper(c.relname) FROM pg_catalog.pg_class c "
            "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
            "WHERE c.relkind IN ('r', 'p') AND n.nspname = ANY (current_schemas(false)) "
            "AND (has_table_privilege(c.oid, 'INSERT, UPDATE, DELETE, TRUNCATE') "
            "OR pg_has_role(c.relowner, 'MEMBER')) "
            "ORDER BY c.relname LIMIT 1")))
        return QStringLiteral("Não foi possível verificar as permissões do usuário do banco de "
                              "dados: %1")
            .arg(q.lastError().text());
    if (!q.next())
        return {};
    return QStringLiteral("O usuário \"%1\" do banco de dados pode alterar a tabela %2, e a "
                          "retaguarda só consulta o banco. Use no endereço do banco o usuário "
                          "vnd42700_retaguarda, criado por vnd42700-server --init.")
        .arg(q.value(0).toString(), q.value(1).toString());
}

} // namespace

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
        // Lookups only read, so the file is opened read-only (copies of this connection too).
        // In WAL mode readers never wait for the application server's writes.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000;QSQLITE_OPEN_READONLY"));
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
        // Its role's privileges are what keep it from writing; read-only transactions are a
        // second fence.
        db.setConnectOptions(QStringLiteral("options='-c default_transaction_read_only=on'"));
    } else {
        throw Error(QStringLiteral("Endereço de banco de dados inválido: \"%1\". Use "
                                   "sqlite:CAMINHO ou postgresql://usuario@servidor/banco.")
                        .arg(address));
    }
    QString refused;
    if (!db.open())
        refused = QStringLiteral("Não foi possível abrir o banco de dados: %1")
                      .arg(db.lastError().text());
    else if (db.driverName() == QLatin1String("QPSQL"))
        refused = writableTable(db);
    if (!refused.isEmpty()) {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(kConnection);
        throw Error(refused);
    }
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
