#pragma once
// The one search rule of the lookups, the list picker and Procurar: a row is found by the
// beginning of its text, case and accents aside ("agua" finds "ÁGUA MINERAL", "acai" finds
// "AÇAÍ"). When nothing begins so, nothing moves: the caller says so with noMatchMessage.

#include <QString>

#include <functional>

namespace vnd
{

// The text as the rule compares it: accents dropped (Á = A, Ç = C), case folded.
QString searchFold(const QString &text);

// True when the text begins with the wanted text under the rule.
bool beginsWith(const QString &text, const QString &wanted);

// The first of `count` rows, visited from `start` on and round to the beginning, for which
// beginsAt says that its text begins with `wantedFolded` (already folded: callers fold their
// rows' texts once, not at every key); -1 when none does or the wanted text is empty.
int findFolded(int count, int start, const QString &wantedFolded,
               const std::function<bool(int row, const QString &wantedFolded)> &beginsAt);

// "Nenhum registro começa com "zzz"."
QString noMatchMessage(const QString &wanted);

} // namespace vnd
