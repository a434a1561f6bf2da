#include "server/changecontext.h"

#include "server/callcontext.h"
#include "server/recordimage.h"

#include <sqlite3.h>

#include <QDateTime>

#include <stdexcept>

namespace vnd::server
{

namespace
{

thread_local qint64 t_changeTime = 0;

void resultText(sqlite3_context *context, const QString &text)
{
    if (text.isEmpty()) {
        sqlite3_result_null(context);
        return;
    }
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_text(context, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

QString userOf(const CallContext &call)
{
    return call.session ? call.session->login : QString();
}

void callValue(sqlite3_context *context, int, sqlite3_value **argv)
{
    const CallContext &call = currentCall();
    switch (sqlite3_value_int(argv[0])) {
    case 0:
        sqlite3_result_int64(context, t_changeTime ? t_changeTime : microsecondsNow());
        return;
    case 1:
        resultText(context, userOf(call));
        return;
    case 2:
        resultText(context, call.address);
        return;
    case 3:
        resultText(context, call.method);
        return;
    default:
        sqlite3_result_null(context);
    }
}

} // namespace

qint64 microsecondsNow()
{
    return QDateTime::currentMSecsSinceEpoch() * 1000;
}

void registerChangeFunction(sqlite3 *db)
{
    if (sqlite3_create_function_v2(db, "vnd_chamada", 1, SQLITE_UTF8, nullptr, callValue, nullptr,
                                   nullptr, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    registerImageFunctions(db);
}

ChangeTime::ChangeTime() : m_previous(t_changeTime)
{
    t_changeTime = microsecondsNow();
}

ChangeTime::~ChangeTime()
{
    t_changeTime = m_previous;
}

} // namespace vnd::server
