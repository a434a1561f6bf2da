// The module library's entry points: plain C functions the host finds by name.

#include "host/services/ui.h"
#include "pricetable/tabgeralstate.h"

#define VND_EXPORT extern "C" __attribute__((visibility("default")))

VND_EXPORT void criaTabGeral()
{
    vnd::guarded([] { vnd::pricetable::criaTabGeral(); });
}

VND_EXPORT void IniProc()
{
    criaTabGeral();
}
