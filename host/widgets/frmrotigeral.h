#pragma once
// TfrmRotiGeral: the host's routine window, a modal dialog: the screen code lblCodTela at the
// top right, the group box grbDadosRel for the window's inputs, and the buttons sbtConfirma
// and sbtFechar at the bottom. The tab key goes through the controls in reading order
// (host/widgets/taborder.h), the buttons last. ShowModal runs through the dialog runner, so tests
// drive it with real clicks. Closing (by sbtFechar, the window frame or close()) runs FormClose;
// with caFree the window is released afterwards.

#include "host/widgets/formlifecycle.h"
#include "pricing/messagetable.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;

namespace vnd::widgets
{

class TfrmRotiGeral : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmRotiGeral(QWidget *parent = nullptr);
    ~TfrmRotiGeral() override;

    // Shows the window modally; returns its result (QDialog::Accepted / Rejected).
    int ShowModal();

    QLabel *lblCodTela;
    QGroupBox *grbDadosRel;
    QPushButton *sbtConfirma;
    // "Pré-visualizar", left of sbtConfirma; hidden unless the window shows it.
    QPushButton *sbtPrevia;
    QPushButton *sbtFechar;
    MessageTable msgPadrao;

    virtual void FormCreate();
    virtual void FormShow();
    virtual void FormActivate();
    virtual void FormClose(CloseAction &action);
    virtual void FormDestroy();
    virtual void sbtConfirmaClick();
    virtual void sbtPreviaClick();

    void runCreate() { FormCreate(); }

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    bool m_destroyed = false;
};

} // namespace vnd::widgets
