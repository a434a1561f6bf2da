#pragma once
// Internal to the codecs: the structure of values, shared by both encodings.

#include "wire/codecio.h"
#include "wire/columns.h"
#include "wire/value.h"

namespace vnd::data::Internal
{

void writeValue(TokenWriter &w, const Value &v);
void writeValues(TokenWriter &w, const ValueArray &values);

Value readValue(TokenReader &r);

// Reads the rows of a packet whose fields are known straight into columns.
std::shared_ptr<ColumnTable> readRowColumns(TokenReader &r, const QList<FieldDef> &fields);
// Throws DecodeError "Dados recebidos inválidos: detail."
[[noreturn]] void invalidData(const QString &detail);
// How messages name what a field expects ("texto", "número", ...).
const char *fieldTypeWord(FieldType type);
ValueArray readValues(TokenReader &r);

} // namespace vnd::data::Internal
