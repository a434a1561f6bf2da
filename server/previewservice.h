#pragma once
// The previews of the bulk tools. Each of setConfirmar, SetUpdItemPrecoAlt, SetAddPrefixo,
// SetDelPrefixo and SetPrecDif has a twin named with "Previa" appended (setConfirmarPrevia,
// ...) that takes the same arguments and runs the same method, its checks and its writes,
// inside a transaction that is then rolled back: nothing it does stays written. It answers
// an array: the method's own result, the counts of what it wrote (DESCRICAO, QUANTIDADE) and
// the first rows before and after (PRODUTO, NMPRODUTO, CAMPO, ANTES, DEPOIS); a refusal is
// answered as the method answers it.

#include "server/database.h"
#include "server/dispatcher.h"

namespace vnd::server
{

// After the tools' methods are added.
void addPreviewMethods(Dispatcher &dispatcher, const Database &database);

} // namespace vnd::server
