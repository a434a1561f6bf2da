#pragma once
// The day/hour code tables as the window shows and takes them: stored codes to the texts of
// the window's message table and back. The tables themselves are the pricing library's.

#include "pricing/dayhourcodes.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace vnd
{
class MessageTable;
}

namespace vnd::pricetable
{

using pricing::CodeEntry;
using pricing::CodeTable;
using pricing::codeTableOf;
using pricing::descAcreCodes;
using pricing::diaSemanaCodes;
using pricing::kTodosTipoCons;
using pricing::perValorCodes;
using pricing::visualizaCodes;

// Shown text of a stored code: the first equal code in table order; "" for any other value.
QString codeText(CodeTable table, const QString &stored, const MessageTable &messages);
// Code of an entered text: whole, case-sensitive match in table order; nullopt leaves the
// field unchanged.
std::optional<QString> codeOfText(CodeTable table, const QString &text,
                                  const MessageTable &messages);
// The shown texts in table order, for pick lists (so a picked entry is always accepted).
QStringList codePickList(CodeTable table, const MessageTable &messages);

} // namespace vnd::pricetable
