#pragma once
// Checks on the texts the server stores: control characters, and codes in the form the
// windows give them.

#include "pricing/textcheck.h"

#include <QString>

#include <optional>

namespace vnd::server
{

using pricing::hasControlCharacter;
using pricing::isControlCharacter;
using pricing::printable;

// A code as the windows' Ajusta leaves it: trimmed, digits left-padded with "0" to width, "T"
// (when allowed) and the empty text as they are. nullopt for anything else.
std::optional<QString> normalisedCode(const QString &code, int width, bool allowAll);

} // namespace vnd::server
