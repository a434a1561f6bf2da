// The module library's entry points: plain C functions the host finds by name.

#include "host/services/ui.h"
#include "pricetable/frmtabgeral.h"
#include "pricetable/tabgeralstate.h"
#include "tools/audit/frmauditoria.h"
#include "tools/diffprice/cadautprecostate.h"
#include "tools/export/importatabelastate.h"
#include "tools/promotion/cadautpromocaostate.h"

#include <QAction>

#define VND_EXPORT extern "C" __attribute__((visibility("default")))

VND_EXPORT void CriaImportaTabela()
{
    vnd::guarded([] { vnd::exporttable::criaImportaTabela(); });
}

VND_EXPORT void CriaCadAutPrecoDeferenciado()
{
    vnd::guarded([] { vnd::diffprice::criaCadAutPrecoDeferenciado(); });
}

VND_EXPORT void CriaAuditoria()
{
    vnd::guarded([] { vnd::audit::criaAuditoria(); });
}

VND_EXPORT void CriaCadAutPromocao()
{
    vnd::guarded([] { vnd::promotion::criaCadAutPromocao(); });
}

namespace
{

// The price table window's tool buttons open the tools through the same entry points as the
// host's menu, once per window.
void connectToolButtons()
{
    vnd::pricetable::TfrmTabGeral *w = vnd::pricetable::frmTabGeral.data();
    if (!w || w->property("vndToolsConnected").toBool())
        return;
    w->setProperty("vndToolsConnected", true);
    QObject::connect(w->sbtImport, &QAction::triggered, w, [] { CriaImportaTabela(); });
    QObject::connect(w->btnCadPrecoDif, &QAction::triggered, w,
                     [] { CriaCadAutPrecoDeferenciado(); });
    QObject::connect(w->sbtProdPro, &QAction::triggered, w, [] { CriaCadAutPromocao(); });
}

} // namespace

VND_EXPORT void criaTabGeral()
{
    vnd::guarded([] {
        vnd::pricetable::criaTabGeral();
        connectToolButtons();
    });
}

VND_EXPORT void IniProc()
{
    criaTabGeral();
}
