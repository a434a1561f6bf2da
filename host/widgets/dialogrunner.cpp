#include "host/widgets/dialogrunner.h"

#include <QPointer>

namespace vnd::widgets
{

namespace
{
DialogResponder &responderSlot()
{
    static DialogResponder responder;
    return responder;
}
} // namespace

void setDialogResponder(DialogResponder responder)
{
    responderSlot() = std::move(responder);
}

bool hasDialogResponder()
{
    return bool(responderSlot());
}

int runDialog(QDialog &dialog)
{
    DialogResponder responder = responderSlot();
    if (!responder)
        return dialog.exec();
    dialog.setResult(0);
    dialog.show();
    // A tool window may release itself while it is answered (it closes on success): as with
    // exec(), a dialog gone counts as rejected.
    const QPointer<QDialog> guard(&dialog);
    responder(dialog);
    if (!guard)
        return QDialog::Rejected;
    if (dialog.isVisible())
        dialog.reject();
    return dialog.result();
}

ScopedDialogResponder::ScopedDialogResponder(DialogResponder responder)
    : m_previous(responderSlot())
{
    responderSlot() = std::move(responder);
}

ScopedDialogResponder::~ScopedDialogResponder()
{
    responderSlot() = std::move(m_previous);
}

} // namespace vnd::widgets
