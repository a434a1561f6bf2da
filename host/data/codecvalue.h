#pragma once
// Internal to the codecs: the structure of values, shared by both encodings.

#include "host/data/codecio.h"
#include "host/data/value.h"

namespace vnd::data::Internal
{

void writeValue(TokenWriter &w, const Value &v);
void writeValues(TokenWriter &w, const ValueArray &values);

Value readValue(TokenReader &r);
ValueArray readValues(TokenReader &r);

} // namespace vnd::data::Internal
