#pragma once
// A failure the server reports to its caller: HTTP status, short code and Portuguese text.

#include <QString>

#include <stdexcept>

namespace vnd::server
{

class ServiceError : public std::runtime_error
{
public:
    ServiceError(int status, QString code, QString message)
        : std::runtime_error(message.toStdString()), m_status(status), m_code(std::move(code)),
          m_message(std::move(message))
    {
    }

    int status() const { return m_status; }
    const QString &code() const { return m_code; }
    const QString &message() const { return m_message; }

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
    static ServiceError duplicate(const QString &message)
    {
        return {409, QStringLiteral("duplicate"), message};
    }
    static ServiceError rule(const QString &message)
    {
        return {422, QStringLiteral("rule"), message};
    }
    static ServiceError busy()
    {
        return {503, QStringLiteral("busy"),
                QStringLiteral("Banco de dados ocupado. Tente novamente em instantes.")};
    }
    static ServiceError internal(const QString &message)
    {
        return {500, QStringLiteral("internal"), message};
    }

private:
    int m_status;
    QString m_code;
    QString m_message;
};

} // namespace vnd::server
