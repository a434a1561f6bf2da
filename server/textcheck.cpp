#include "server/textcheck.h"

#include "pricing/codes.h"

namespace vnd::server
{

std::optional<QString> normalisedCode(const QString &code, int width, bool allowAll)
{
    const QString out = Ajusta(code, width);
    if (out.isEmpty() || (allowAll && out == QLatin1String("T")))
        return out;
    for (QChar c : out)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    return out;
}

} // namespace vnd::server
