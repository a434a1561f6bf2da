#include "host/widgets/frmrotigeral.h"

#include "host/widgets/dialogrunner.h"
#include "host/widgets/hosticons.h"
#include "host/widgets/hostwindows.h"
#include "host/widgets/paintedcalls.h"
#include "host/widgets/taborder.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace vnd::widgets
{

TfrmRotiGeral::TfrmRotiGeral(QWidget *parent)
    : QDialog(parent ? parent : mainWindow()), lblCodTela(new QLabel(this)),
      grbDadosRel(new QGroupBox(this)), sbtConfirma(new QPushButton(this)),
      sbtPrevia(new QPushButton(this)), sbtFechar(new QPushButton(this))
{
    setModal(true);
    keepWindowsPaintedDuringCalls();
    lblCodTela->setObjectName(QStringLiteral("lblCodTela"));
    lblCodTela->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont f = lblCodTela->font();
    f.setBold(true);
    lblCodTela->setFont(f);
    grbDadosRel->setObjectName(QStringLiteral("grbDadosRel"));
    sbtConfirma->setObjectName(QStringLiteral("sbtConfirma"));
    sbtFechar->setObjectName(QStringLiteral("sbtFechar"));
    sbtConfirma->setText(QStringLiteral("&Confirmar"));
    sbtConfirma->setIcon(hostIcon(Glyph::Confirmar));
    sbtConfirma->setAutoDefault(false);
    sbtPrevia->setObjectName(QStringLiteral("sbtPrevia"));
    sbtPrevia->setText(QStringLiteral("Pré-&visualizar"));
    sbtPrevia->setAutoDefault(false);
    sbtPrevia->hide();
    sbtFechar->setText(QStringLiteral("&Fechar"));
    sbtFechar->setIcon(hostIcon(Glyph::Cancelar));
    sbtFechar->setAutoDefault(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblCodTela);
    layout->addWidget(grbDadosRel, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(sbtPrevia);
    buttons->addWidget(sbtConfirma);
    buttons->addWidget(sbtFechar);
    layout->addLayout(buttons);

    connect(sbtConfirma, &QPushButton::clicked, this,
            [this] { guarded([this] { sbtConfirmaClick(); }); });
    connect(sbtPrevia, &QPushButton::clicked, this,
            [this] { guarded([this] { sbtPreviaClick(); }); });
    connect(sbtFechar, &QPushButton::clicked, this, &QDialog::reject);
}

TfrmRotiGeral::~TfrmRotiGeral() = default;

int TfrmRotiGeral::ShowModal()
{
    return runDialog(*this);
}

void TfrmRotiGeral::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        guarded([this] { FormShow(); });
        guarded([this] { FormActivate(); });
    }
}

bool TfrmRotiGeral::focusNextPrevChild(bool next)
{
    return tabInReadingOrder(this, next) || QDialog::focusNextPrevChild(next);
}

void TfrmRotiGeral::done(int result)
{
    CloseAction action = caFree;
    if (!guarded([&] { FormClose(action); }) || action == caNone)
        return;
    QDialog::done(result);
    // The window under it takes the keyboard back: a window manager may leave the focus with
    // no window when the one that had it goes, and a keyboard user would be stranded.
    if (QWidget *under = parentWidget() ? parentWidget()->window() : nullptr;
        under && under->isVisible())
        under->activateWindow();
    if (action == caFree && !m_destroyed) {
        m_destroyed = true;
        guarded([this] { FormDestroy(); });
        deleteLater();
    }
}

void TfrmRotiGeral::FormCreate() {}
void TfrmRotiGeral::FormShow() {}
void TfrmRotiGeral::FormActivate() {}

void TfrmRotiGeral::FormClose(CloseAction &action)
{
    action = caFree;
}

void TfrmRotiGeral::FormDestroy() {}
void TfrmRotiGeral::sbtConfirmaClick() {}
void TfrmRotiGeral::sbtPreviaClick() {}

} // namespace vnd::widgets
