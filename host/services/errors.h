#pragma once
// The two ways an operation ends early. Header-only so that every layer can throw them.

#include "wire/error.h"

namespace vnd
{

// Ends the current operation quietly: the handler guard swallows it without a message.
// Thrown after a message was already shown (MensErro) or when a refusal needs none.
struct SilentAbort {
};

} // namespace vnd
