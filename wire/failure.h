#pragma once
// A failed reply, as the server sends it and the client makes one for a transport fault.

#include "wire/value.h"

namespace vnd::data
{

Reply failure(const QString &code, const QString &message);

} // namespace vnd::data
