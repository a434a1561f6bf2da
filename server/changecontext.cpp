#include "server/changecontext.h"

#include "server/callcontext.h"
#include "server/recordimage.h"

#include <sqlite3.h>

#include <QDateTime>

#include <stdexcept>
#include <utility>

namespace vnd::server
{

namespace
{

thread_local qint64 t_changeTime = 0;

using CallTexts = ChangeTime::CallTexts;
// Made once per transaction instead of once per row. A transaction lives within its call's
// scope; a scope opened inside it is read afresh.
thread_local CallTexts t_texts;

QString userOf(const CallContext &call)
{
    return call.session ? call.session->login : QString();
}

CallTexts textsOf(const CallContext &call)
{
    return {&call, userOf(call).toUtf8(), call.address.toUtf8(), call.method.toUtf8()};
}

void resultText(sqlite3_context *context, const QByteArray &utf8)
{
    if (utf8.isEmpty())
        sqlite3_result_null(context);
    else
        sqlite3_result_text(context, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void callValue(sqlite3_context *context, int, sqlite3_value **argv)
{
    const CallContext &call = currentCall();
    const int which = sqlite3_value_int(argv[0]);
    if (which == 0) {
        sqlite3_result_int64(context, t_changeTime ? t_changeTime : microsecondsNow());
        return;
    }
    const CallTexts texts = t_texts.call == &call ? CallTexts() : textsOf(call);
    const CallTexts &current = t_texts.call == &call ? t_texts : texts;
    switch (which) {
    case 1:
        resultText(context, current.user);
        return;
    case 2:
        resultText(context, current.address);
        return;
    case 3:
        resultText(context, current.method);
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
    m_previousTexts = std::exchange(t_texts, textsOf(currentCall()));
}

ChangeTime::~ChangeTime()
{
    t_changeTime = m_previous;
    t_texts = std::move(m_previousTexts);
}

} // namespace vnd::server
