#include "pricetable/habilita.h"

namespace vnd::pricetable
{

using data::DataSetState;

EnableDecision decideEnabling(const EnableInput &in)
{
    EnableDecision d;
    const bool browse = in.state == DataSetState::Browse;
    const bool browseNotEmpty = browse && !in.empty;
    const bool editing = in.state == DataSetState::Edit || in.state == DataSetState::Insert;

    d.incluir = browse;
    d.alterar = browseNotEmpty;
    d.excluir = browseNotEmpty;
    d.procurar = browseNotEmpty;
    d.verificar = browse;
    d.confirmar = editing;
    d.cancelar = editing;

    d.sbtProdPro = browse && !in.tabGeralEmpty;
    d.btnCadPrecoDif = d.sbtProdPro;
    d.sbtImport = !in.vigenciaEmpty && in.page == Page::DataSheet;

    const auto may = [&in](const char16_t *method) { return data::roleMay(in.role, method); };
    d.tablesWritable = may(u"setTabGeral");
    d.periodsWritable = may(u"setVigenciaTab");
    d.itemsWritable = may(u"SetItemPreco");
    d.rulesWritable = may(u"SetPrecoHora");
    d.branchesWritable = may(u"setFilTab");
    d.sbtProdPro = d.sbtProdPro && may(u"SetUpdItemPrecoAlt") && may(u"SetAddPrefixo");
    d.btnCadPrecoDif = d.btnCadPrecoDif && may(u"SetPrecDif");
    d.sbtImport = d.sbtImport && may(u"setConfirmar");
    // The commands act on the dataset the page and the focus point at.
    bool adds = true, changes = true, deletes = true;
    switch (in.page) {
    case Page::DataSheet:
        adds = changes = deletes = in.focus.boTabFocada ? d.tablesWritable : d.periodsWritable;
        break;
    case Page::Branches:
        adds = changes = deletes = d.branchesWritable;
        break;
    case Page::Form:
        if (in.focus.boPrecoHoraFocado) {
            adds = changes = deletes = d.rulesWritable;
        } else if (in.focus.boProdFocado) {
            changes = d.itemsWritable;
            deletes = may(u"setApagaPreco");
        }
        break;
    }
    d.incluir = d.incluir && adds;
    d.alterar = d.alterar && changes;
    d.excluir = d.excluir && deletes;

    switch (in.page) {
    case Page::DataSheet:
        if (in.focus.boTabFocada)
            d.dbgVigencia = browseNotEmpty;
        else
            d.dbgPadrao = browse;
        d.tshFormulario = browse && !in.vigenciaEmpty;
        d.tshFilTab = browse;
        break;
    case Page::Branches:
        d.tshFolhaDados = browse;
        d.tshFormulario = browse && !in.vigenciaEmpty;
        break;
    case Page::Form:
        d.tshFolhaDados = browse;
        d.tshFilTab = browse;
        if (in.focus.boProdFocado) {
            d.incluir = false;
            d.dbgPrecoHora = browse;
        }
        if (in.focus.boPrecoHoraFocado) {
            d.dbsItemPreco = browse;
            d.tshComposicao = browse;
        }
        if (in.focus.boCompFocado) {
            d.incluir = d.alterar = d.excluir = d.procurar = false;
            d.verificar = d.confirmar = d.cancelar = false;
            d.dbgPrecoHora = false;
        }
        break;
    }
    return d;
}

} // namespace vnd::pricetable
