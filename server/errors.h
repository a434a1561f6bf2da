#pragma once
// A failure the server reports to its caller: HTTP status, short code and Portuguese text,
// and for the log only, what the database or the runtime said.

#include <QString>
#include <QStringList>

#include <stdexcept>

namespace vnd::server
{

class ServiceError : public std::runtime_error
{
public:
    ServiceError(int status, QString code, QString message, QString detail = {})
        : std::runtime_error(message.toStdString()), m_status(status), m_code(std::move(code)),
          m_message(std::move(message)), m_detail(std::move(detail))
    {
    }

    int status() const { return m_status; }
    const QString &code() const { return m_code; }
    const QString &message() const { return m_message; }
    const QString &detail() const { return m_detail; }
    // The rows a conflict names (their keys), answered beside the message.
    const QStringList &rows() const { return m_rows; }

    static ServiceError badRequest(const QString &message)
    {
        return {400, QStringLiteral("bad_request"), message};
    }
    static ServiceError notFound(const QString &message)
    {
        return {404, QStringLiteral("not_found"), message};
    }
    static ServiceError conflict()
    {
        return {409, QStringLiteral("conflict"),
                QStringLiteral("Registro alterado ou excluído por outro usuário. Atualize os "
                               "dados e tente novamente.")};
    }
    // The same, naming the rows found changed.
    static ServiceError conflict(QStringList rows)
    {
        ServiceError e = conflict();
        e.m_rows = std::move(rows);
        return e;
    }
    static ServiceError duplicate(const QString &message, const QString &detail = {})
    {
        return {409, QStringLiteral("duplicate"), message, detail};
    }
    static ServiceError rule(const QString &message, const QString &detail = {})
    {
        return {422, QStringLiteral("rule"), message, detail};
    }
    // Answered with Retry-After.
    static ServiceError busy(const QString &detail)
    {
        return {503, QStringLiteral("busy"),
                QStringLiteral("Banco de dados ocupado; tente novamente em instantes."), detail};
    }
    // The database cannot be reached; answered with Retry-After.
    static ServiceError unavailable(const QString &detail)
    {
        return {503, QStringLiteral("unavailable"),
                QStringLiteral("Banco de dados indisponível; tente novamente em instantes."),
                detail};
    }
    static ServiceError internal(const QString &message, const QString &detail = {})
    {
        return {500, QStringLiteral("internal"), message, detail};
    }

private:
    int m_status;
    QString m_code;
    QString m_message;
    QString m_detail;
    QStringList m_rows;
};

} // namespace vnd::server
