// A module with two of the shell's exports: one that counts its calls, one that fails.
#include "host/services/errors.h"

namespace
{
int g_calls = 0;
}

extern "C" {
__attribute__((visibility("default"))) void IniProc()
{
    ++g_calls;
}
__attribute__((visibility("default"))) void CriaImportaTabela()
{
    throw vnd::Error(QStringLiteral("Falha ao abrir a janela."));
}
__attribute__((visibility("default"))) int testModuleCalls()
{
    return g_calls;
}
}
