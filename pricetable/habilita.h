#pragma once
// Which commands, pages and grids of the price table window are enabled, decided from the
// state of one data source, the active page and the focus flags. Pure, so every case can be
// checked without a window.

#include "host/data/clientdataset.h"
#include "wire/roles.h"

#include <optional>

namespace vnd::pricetable
{

enum class Page { DataSheet, Form, Branches };

struct FocusFlags {
    bool boTabFocada = true;
    bool boProdFocado = true;
    bool boPrecoHoraFocado = false;
    bool boCompFocado = false;
};

struct EnableInput {
    data::DataSetState state = data::DataSetState::Inactive;
    bool empty = true;         // the data source's dataset
    bool tabGeralEmpty = true; // cdsTabGeral
    bool vigenciaEmpty = true; // cdsVigenciaTab
    Page page = Page::DataSheet;
    FocusFlags focus;
    // The signed-in user's: what it may not save is neither offered nor editable.
    data::Role role = data::Role::Administrador;
};

// Commands always get a value; pages and grids only when the rules touch them (nullopt:
// leave as it is).
struct EnableDecision {
    bool incluir = false, alterar = false, excluir = false, procurar = false;
    bool verificar = false, confirmar = false, cancelar = false;
    bool sbtProdPro = false, btnCadPrecoDif = false, sbtImport = false;
    std::optional<bool> dbgVigencia, dbgPadrao, dbsItemPreco, dbgPrecoHora;
    std::optional<bool> tshFolhaDados, tshFormulario, tshFilTab, tshComposicao;
    // Whether the role may save each dataset; the grids of the others take no typing.
    bool tablesWritable = true, periodsWritable = true, itemsWritable = true;
    bool rulesWritable = true, branchesWritable = true;
};

EnableDecision decideEnabling(const EnableInput &in);

} // namespace vnd::pricetable
