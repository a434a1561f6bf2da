#pragma once
// A database statement that failed, classified so that callers can turn it into the right
// answer (a busy database is worth a retry, a violated constraint is the caller's fault).

#include "server/errors.h"

#include <QSqlError>
#include <QString>

#include <stdexcept>

namespace vnd::server
{

class DbError : public std::runtime_error
{
public:
    // Unavailable: the database cannot be reached, or the connection to it was lost.
    enum class Kind {
        Busy,
        Unavailable,
        ReadOnly,
        Full,
        ForeignKey,
        Unique,
        NotNull,
        Check,
        Other
    };

    enum Stage { Statement, Opening };

    DbError(Kind kind, const QString &text, Stage stage = Statement)
        : std::runtime_error(text.toStdString()), m_kind(kind), m_text(text), m_stage(stage)
    {
    }
    static DbError fromSqlError(const QSqlError &error);

    Kind kind() const { return m_kind; }
    // Opening a connection failed: no connection was there to find lost.
    bool whileOpening() const { return m_stage == Opening; }
    bool isConstraint() const
    {
        return m_kind == Kind::ForeignKey || m_kind == Kind::Unique || m_kind == Kind::NotNull ||
               m_kind == Kind::Check;
    }
    // The driver's text: for the server log, never for the user.
    const QString &text() const { return m_text; }

    // The answer for the user: Portuguese text, the driver's text kept as the log detail.
    ServiceError toServiceError() const;

private:
    Kind m_kind;
    QString m_text;
    Stage m_stage;
};

} // namespace vnd::server
