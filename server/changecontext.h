#pragma once
// What the change record's triggers learn from the server about the write under way: when
// (one time for the whole transaction), who, from where and through which method. SQLite
// triggers ask a function of the connection; PostgreSQL ones read settings local to the
// transaction, set as it takes the write lock (see beginPostgresWrite).

#include <QByteArray>
#include <QString>

struct sqlite3;

namespace vnd::server
{

struct CallContext;

// The method under which the command line removes old records; the only one the record's
// guard lets delete.
inline constexpr char16_t kPruneMethod[] = u"--prune-history";

// Registers vnd_chamada(n) on the connection: 0 the time in microseconds since the epoch,
// 1 the user, 2 the client's address, 3 the method (no value when unknown); and the image
// functions the triggers build their lines with (recordimage.h). Throws std::runtime_error
// when SQLite refuses.
void registerChangeFunction(sqlite3 *db);

// While one lives on a thread, its SQLite writes are recorded at the time it began, under the
// call current when it began.
class ChangeTime
{
public:
    ChangeTime();
    ~ChangeTime();
    ChangeTime(const ChangeTime &) = delete;
    ChangeTime &operator=(const ChangeTime &) = delete;

    // The call's user, address and method as the triggers record them (UTF-8).
    struct CallTexts {
        const CallContext *call = nullptr;
        QByteArray user, address, method;
    };

private:
    qint64 m_previous;
    CallTexts m_previousTexts;
};

qint64 microsecondsNow();

} // namespace vnd::server
