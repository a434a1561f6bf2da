#include "tools/export/importatabelastate.h"

#include "host/widgets/formlifecycle.h"
#include "host/widgets/waitcursor.h"
#include "tools/export/frmimportatabela.h"

namespace vnd::exporttable
{

QPointer<TfrmImportaTabela> frmImportaTabela;

void criaImportaTabela()
{
    {
        // Only while the window and its connection are made: the user works under the
        // normal cursor.
        widgets::HourglassCursor hourglass;
        frmImportaTabela = widgets::CreateForm<TfrmImportaTabela>();
    }
    if (!frmImportaTabela)
        return;
    frmImportaTabela->setWindowState(Qt::WindowNoState);
    frmImportaTabela->ShowModal();
}

} // namespace vnd::exporttable
