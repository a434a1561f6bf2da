#include "server/shellrole.h"

#include "server/dberror.h"
#include "server/unitofwork.h"

#include <QSqlError>
#include <QSqlQuery>

namespace vnd::server
{

namespace
{

// What the shell reads: its start-up settings and the windows' lookups (branches, products,
// consumer types, price tables).
const char kLookedUp[] = "CONFIGHOST, FILIAL, PRODUTO, TABEPRECGER, TIPOCONS";

QSqlQuery run(const QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw DbError::fromSqlError(q.lastError());
    return q;
}

bool answersYes(const QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q = run(db, sql);
    return q.next() && q.value(0).toBool();
}

} // namespace

QString grantShellRole(const Database &database)
{
    if (database.dialect() != Dialect::Postgres)
        return {};
    const QString role = QString::fromLatin1(kShellRole);
    // Servers starting together take turns here, as on the schema.
    UnitOfWork work(database);
    const QSqlDatabase &db = work.db();
    if (!answersYes(
            db,
            QStringLiteral("SELECT count(*) > 0 FROM pg_roles WHERE rolname = '%1'").arg(role))) {
        if (!answersYes(db, QStringLiteral("SELECT rolcreaterole OR rolsuper FROM pg_roles "
                                           "WHERE rolname = current_user")))
            return QStringLiteral(
                       "o papel %1 das retaguardas não existe e este usuário não pode criá-lo: "
                       "um administrador do PostgreSQL deve executar CREATE ROLE %1 LOGIN e "
                       "depois --init de novo")
                .arg(role);
        // Roles belong to the whole cluster: an --init on another database may create it
        // at the same moment.
        run(db, QStringLiteral("DO $$ BEGIN CREATE ROLE %1 LOGIN; EXCEPTION WHEN "
                               "duplicate_object OR unique_violation THEN NULL; END $$")
                    .arg(role));
    }
    QSqlQuery schema = run(db, QStringLiteral("SELECT quote_ident(current_schema())"));
    schema.next();
    const QString where = schema.value(0).toString();
    run(db, QStringLiteral("REVOKE ALL ON ALL TABLES IN SCHEMA %1 FROM %2").arg(where, role));
    run(db, QStringLiteral("GRANT USAGE ON SCHEMA %1 TO %2").arg(where, role));
    run(db, QStringLiteral("GRANT SELECT ON %1 TO %2").arg(QLatin1String(kLookedUp), role));
    work.commit();
    return {};
}

} // namespace vnd::server
