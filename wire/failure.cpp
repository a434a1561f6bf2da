#include "wire/failure.h"

namespace vnd::data
{

Reply failure(const QString &code, const QString &message)
{
    Reply r;
    r.ok = false;
    r.errorCode = code;
    r.errorMessage = message;
    return r;
}

} // namespace vnd::data
