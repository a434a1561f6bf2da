#include "pricetable/habilita.h"

#include <gtest/gtest.h>

using namespace vnd::pricetable;
using vnd::data::DataSetState;

namespace
{

EnableInput input(DataSetState s, bool empty, Page page = Page::DataSheet)
{
    EnableInput in;
    in.state = s;
    in.empty = empty;
    in.tabGeralEmpty = empty;
    in.vigenciaEmpty = false;
    in.page = page;
    return in;
}

struct Commands {
    bool incluir, alterar, excluir, procurar, verificar, confirmar, cancelar;
};

Commands commands(const EnableDecision &d)
{
    return {d.incluir, d.alterar, d.excluir, d.procurar, d.verificar, d.confirmar, d.cancelar};
}

bool operator==(const Commands &a, const Commands &b)
{
    return a.incluir == b.incluir && a.alterar == b.alterar && a.excluir == b.excluir &&
           a.procurar == b.procurar && a.verificar == b.verificar && a.confirmar == b.confirmar &&
           a.cancelar == b.cancelar;
}

} // namespace

TEST(Habilita, CommandsFollowStateAndEmptiness)
{
    struct Case {
        const char *name;
        DataSetState state;
        bool empty;
        Commands expected;
    };
    const Case cases[] = {
        {"browse with rows", DataSetState::Browse, false, {1, 1, 1, 1, 1, 0, 0}},
        {"browse empty", DataSetState::Browse, true, {1, 0, 0, 0, 1, 0, 0}},
        {"edit", DataSetState::Edit, false, {0, 0, 0, 0, 0, 1, 1}},
        {"insert", DataSetState::Insert, true, {0, 0, 0, 0, 0, 1, 1}},
        {"inactive", DataSetState::Inactive, true, {0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(commands(decideEnabling(input(c.state, c.empty))) == c.expected);
    }
}

TEST(Habilita, ToolButtons)
{
    EnableInput in = input(DataSetState::Browse, true);
    in.tabGeralEmpty = true;
    EnableDecision d = decideEnabling(in);
    EXPECT_FALSE(d.sbtProdPro);
    EXPECT_FALSE(d.btnCadPrecoDif);

    in.tabGeralEmpty = false;
    d = decideEnabling(in);
    EXPECT_TRUE(d.sbtProdPro);
    EXPECT_TRUE(d.btnCadPrecoDif);

    // The export button only looks at the periods and the page, whatever the state.
    in.state = DataSetState::Edit;
    d = decideEnabling(in);
    EXPECT_FALSE(d.sbtProdPro);
    EXPECT_TRUE(d.sbtImport);
    for (Page p : {Page::Form, Page::Branches}) {
        in.page = p;
        EXPECT_FALSE(decideEnabling(in).sbtImport);
    }
    in.page = Page::DataSheet;
    in.vigenciaEmpty = true;
    EXPECT_FALSE(decideEnabling(in).sbtImport);
}

TEST(Habilita, DataSheetPagesAndGrids)
{
    // Editing a table: the period grid and the other pages are off.
    EnableInput in = input(DataSetState::Edit, false);
    EnableDecision d = decideEnabling(in);
    EXPECT_EQ(d.dbgVigencia, false);
    EXPECT_EQ(d.tshFormulario, false);
    EXPECT_EQ(d.tshFilTab, false);
    EXPECT_FALSE(d.dbgPadrao.has_value());

    // Editing a period (period grid focused): the table grid is off.
    in.focus.boTabFocada = false;
    d = decideEnabling(in);
    EXPECT_EQ(d.dbgPadrao, false);
    EXPECT_FALSE(d.dbgVigencia.has_value());

    in.state = DataSetState::Browse;
    d = decideEnabling(in);
    EXPECT_EQ(d.dbgPadrao, true);
    EXPECT_EQ(d.tshFormulario, true);

    // No periods: the form page stays closed.
    in.vigenciaEmpty = true;
    EXPECT_EQ(decideEnabling(in).tshFormulario, false);
}

TEST(Habilita, FormPageFocusRules)
{
    EnableInput in = input(DataSetState::Browse, false, Page::Form);
    in.focus = {true, true, false, false};
    EnableDecision d = decideEnabling(in);
    EXPECT_FALSE(d.incluir); // item rows never come into being here
    EXPECT_TRUE(d.alterar);
    EXPECT_EQ(d.dbgPrecoHora, true);
    EXPECT_EQ(d.tshFolhaDados, true);

    // Day/hour grid focused and editing: the item grid and composition page are off.
    in.focus = {true, false, true, false};
    in.state = DataSetState::Edit;
    d = decideEnabling(in);
    EXPECT_EQ(d.dbsItemPreco, false);
    EXPECT_EQ(d.tshComposicao, false);
    EXPECT_EQ(d.tshFolhaDados, false);
    EXPECT_TRUE(d.confirmar);

    in.state = DataSetState::Browse;
    d = decideEnabling(in);
    EXPECT_TRUE(d.incluir);
    EXPECT_EQ(d.dbsItemPreco, true);

    // Composition grid focused: all seven commands off, day/hour grid too.
    in.focus = {true, false, false, true};
    d = decideEnabling(in);
    EXPECT_TRUE(commands(d) == (Commands{0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(d.dbgPrecoHora, false);
}

TEST(Habilita, BranchesPage)
{
    EnableInput in = input(DataSetState::Insert, true, Page::Branches);
    EnableDecision d = decideEnabling(in);
    EXPECT_EQ(d.tshFolhaDados, false);
    EXPECT_EQ(d.tshFormulario, false);
    EXPECT_FALSE(d.tshFilTab.has_value());
    in.state = DataSetState::Browse;
    d = decideEnabling(in);
    EXPECT_EQ(d.tshFolhaDados, true);
    EXPECT_EQ(d.tshFormulario, true);
    EXPECT_FALSE(d.sbtImport);
}

// What a role may not save is not offered: on each page and focus, the write commands, the
// tools and the grids' typing, browsing a non-empty dataset.
TEST(Habilita, RolesOfferOnlyWhatTheyMaySave)
{
    using vnd::data::Role;
    struct Where {
        const char *name;
        Page page;
        FocusFlags focus;
    };
    const Where tables{"tables", Page::DataSheet, {true, true, false, false}};
    const Where periods{"periods", Page::DataSheet, {false, true, false, false}};
    const Where items{"items", Page::Form, {true, true, false, false}};
    const Where rules{"day/hour rules", Page::Form, {true, false, true, false}};
    const Where branches{"branches", Page::Branches, {true, true, false, false}};
    struct Case {
        Role role;
        const Where *where;
        bool incluir, alterar, excluir, tools;
    };
    const Case cases[] = {
        {Role::Consulta, &tables, 0, 0, 0, 0},     {Role::Consulta, &periods, 0, 0, 0, 0},
        {Role::Consulta, &items, 0, 0, 0, 0},      {Role::Consulta, &rules, 0, 0, 0, 0},
        {Role::Consulta, &branches, 0, 0, 0, 0},   {Role::Precos, &tables, 0, 0, 0, 0},
        {Role::Precos, &periods, 0, 0, 0, 0},      {Role::Precos, &items, 0, 1, 1, 0},
        {Role::Precos, &rules, 1, 1, 1, 0},        {Role::Precos, &branches, 0, 0, 0, 0},
        {Role::Gerente, &tables, 1, 1, 1, 1},      {Role::Gerente, &periods, 1, 1, 1, 1},
        {Role::Gerente, &items, 0, 1, 1, 1},       {Role::Gerente, &branches, 1, 1, 1, 1},
        {Role::Administrador, &rules, 1, 1, 1, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(vnd::data::roleKey(c.role).toStdString()) + " on " +
                     c.where->name);
        EnableInput in = input(DataSetState::Browse, false, c.where->page);
        in.focus = c.where->focus;
        in.role = c.role;
        const EnableDecision d = decideEnabling(in);
        EXPECT_EQ(d.incluir, c.incluir);
        EXPECT_EQ(d.alterar, c.alterar);
        EXPECT_EQ(d.excluir, c.excluir);
        EXPECT_TRUE(d.procurar);
        // The tools write through Gerente's methods; the export needs the data sheet.
        EXPECT_EQ(d.sbtProdPro, c.tools);
        EXPECT_EQ(d.btnCadPrecoDif, c.tools);
        EXPECT_EQ(d.sbtImport, c.tools && c.where->page == Page::DataSheet);
        const bool manages = c.role >= Role::Gerente;
        EXPECT_EQ(d.tablesWritable, manages);
        EXPECT_EQ(d.periodsWritable, manages);
        EXPECT_EQ(d.branchesWritable, manages);
        EXPECT_EQ(d.itemsWritable, c.role >= Role::Precos);
        EXPECT_EQ(d.rulesWritable, c.role >= Role::Precos);
    }
}
