#pragma once
// The JSON images the change record's SQLite triggers write, built in C: building them in SQL
// (json_object over every column, twice per row) cost more than the write being recorded.

#include <cstddef>
#include <string>

struct sqlite3;
struct sqlite3_value;

namespace vnd::server
{

// Registers on the connection:
//   vnd_valores(value, ...): ["value as text", ...], null for no value;
//   vnd_alterado(side, name, old, new, ...): {"name": "value as text", ...} of only the
//   columns whose old and new values differ, with the old (side 0) or the new (side 1) value.
// Throws std::runtime_error when SQLite refuses.
void registerImageFunctions(sqlite3 *db);

// A REAL as SQLite turns it into text (CAST(... AS TEXT)).
void appendRealText(std::string &out, double v);
// Text as a JSON string.
void appendJsonString(std::string &out, const unsigned char *text, size_t n);
// A value as its stored text (what CAST(... AS TEXT) gives) as a JSON string, or null.
void appendJsonValue(std::string &out, sqlite3_value *v);
// As SQL's IS compares them: numbers by value, texts and blobs by their bytes.
bool sameValue(sqlite3_value *a, sqlite3_value *b);

} // namespace vnd::server
