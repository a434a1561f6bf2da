#include "server/recordimage.h"

#include <sqlite3.h>

#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>

namespace vnd::server
{

namespace
{

// Most amounts are whole cents: written straight, as "%!.15g" writes them (at least one
// decimal). Formatting a double through SQLite cost more than the rest of the line.
bool appendCents(std::string &out, double v)
{
    if (!(std::fabs(v) < 1e13))
        return false;
    const long long cents = std::llround(v * 100);
    if (double(cents) / 100 != v || (cents == 0 && std::signbit(v)))
        return false;
    const unsigned long long whole = cents < 0 ? 0ull - (unsigned long long)cents : cents;
    if (cents < 0)
        out += '-';
    out += std::to_string(whole / 100);
    out += '.';
    const unsigned part = unsigned(whole % 100);
    out += char('0' + part / 10);
    if (part % 10)
        out += char('0' + part % 10);
    return true;
}

} // namespace

void appendRealText(std::string &out, double v)
{
    if (appendCents(out, v))
        return;
    char text[64];
    sqlite3_snprintf(sizeof text, text, "%!.15g", v);
    out += text;
}

void appendJsonString(std::string &out, const unsigned char *text, size_t n)
{
    out += '"';
    size_t from = 0; // the start of the run not yet appended
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = text[i];
        if (c != '"' && c != '\\' && c >= 0x20)
            continue;
        out.append(reinterpret_cast<const char *>(text) + from, i - from);
        from = i + 1;
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else {
            static const char hex[] = "0123456789abcdef";
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    out.append(reinterpret_cast<const char *>(text) + from, n - from);
    out += '"';
}

void appendJsonValue(std::string &out, sqlite3_value *v)
{
    const int type = sqlite3_value_type(v);
    if (type == SQLITE_NULL) {
        out += "null";
        return;
    }
    if (type == SQLITE_FLOAT) {
        out += '"';
        appendRealText(out, sqlite3_value_double(v));
        out += '"';
        return;
    }
    const auto *text = sqlite3_value_text(v);
    appendJsonString(out, text, size_t(sqlite3_value_bytes(v)));
}

bool sameValue(sqlite3_value *a, sqlite3_value *b)
{
    const int ta = sqlite3_value_type(a), tb = sqlite3_value_type(b);
    const auto numeric = [](int t) { return t == SQLITE_INTEGER || t == SQLITE_FLOAT; };
    if (numeric(ta) && numeric(tb)) {
        if (ta == SQLITE_INTEGER && tb == SQLITE_INTEGER)
            return sqlite3_value_int64(a) == sqlite3_value_int64(b);
        return sqlite3_value_double(a) == sqlite3_value_double(b);
    }
    if (ta != tb)
        return false;
    if (ta == SQLITE_NULL)
        return true;
    // A text's bytes as they are: asking for text would first copy them to end them.
    const void *pa = sqlite3_value_blob(a);
    const void *pb = sqlite3_value_blob(b);
    const int n = sqlite3_value_bytes(a);
    return n == sqlite3_value_bytes(b) && (n == 0 || std::memcmp(pa, pb, size_t(n)) == 0);
}

namespace
{

void appendPair(std::string &out, sqlite3_value *name, sqlite3_value *value)
{
    out += out.size() > 1 ? ",\"" : "\"";
    out.append(reinterpret_cast<const char *>(sqlite3_value_text(name)),
               size_t(sqlite3_value_bytes(name)));
    out += "\":";
    appendJsonValue(out, value);
}

void result(sqlite3_context *context, std::string &out, char close)
{
    out += close;
    sqlite3_result_text(context, out.data(), int(out.size()), SQLITE_TRANSIENT);
}

void values(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    thread_local std::string out;
    out.assign(1, '[');
    for (int i = 0; i < argc; ++i) {
        if (i > 0)
            out += ',';
        appendJsonValue(out, argv[i]);
    }
    result(context, out, ']');
}

void altered(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    thread_local std::string out;
    out.assign(1, '{');
    const int side = argc > 0 ? sqlite3_value_int(argv[0]) : 0;
    for (int i = 1; i + 2 < argc; i += 3)
        if (!sameValue(argv[i + 1], argv[i + 2]))
            appendPair(out, argv[i], argv[i + 1 + (side ? 1 : 0)]);
    result(context, out, '}');
}

} // namespace

void registerImageFunctions(sqlite3 *db)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    if (sqlite3_create_function_v2(db, "vnd_alterado", -1, flags, nullptr, altered, nullptr,
                                   nullptr, nullptr) != SQLITE_OK ||
        sqlite3_create_function_v2(db, "vnd_valores", -1, flags, nullptr, values, nullptr, nullptr,
                                   nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
}

} // namespace vnd::server
