#include "tools/promotion/cadautpromocaostate.h"

#include "host/widgets/formlifecycle.h"
#include "host/widgets/waitcursor.h"
#include "tools/promotion/frmcadautpromocao.h"

namespace vnd::promotion
{

QPointer<TfrmCadAutPromocao> frmCadAutPromocao;
bool boStCriado = false;

void criaCadAutPromocao()
{
    if (!boStCriado || !frmCadAutPromocao) {
        // Only while the window is made: the user works under the normal cursor.
        widgets::HourglassCursor hourglass;
        frmCadAutPromocao = widgets::CreateForm<TfrmCadAutPromocao>();
        if (!frmCadAutPromocao)
            return;
        boStCriado = true;
    }
    if (frmCadAutPromocao->isVisible()) {
        frmCadAutPromocao->activateWindow();
        return;
    }
    frmCadAutPromocao->ShowModal();
    if (frmCadAutPromocao)
        frmCadAutPromocao->setWindowState(Qt::WindowNoState);
}

} // namespace vnd::promotion
