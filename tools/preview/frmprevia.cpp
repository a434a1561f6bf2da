#include "tools/preview/frmprevia.h"

#include "host/services/ui.h"
#include "host/widgets/dialogrunner.h"
#include "host/widgets/enterpress.h"
#include "host/widgets/hosticons.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vnd::widgets
{

namespace
{

const data::DataPacket &packetAt(const data::Reply &reply, size_t i)
{
    static const data::DataPacket none;
    if (reply.result.kind() != data::Value::Kind::Array || reply.result.array().size() <= i ||
        reply.result.array()[i].kind() != data::Value::Kind::Packet)
        return none;
    return reply.result.array()[i].packet();
}

QTableWidget *tableOf(const data::DataPacket &p, const QStringList &titles, QWidget *parent)
{
    auto *t = new QTableWidget(int(p.rows.size()), int(titles.size()), parent);
    t->setHorizontalHeaderLabels(titles);
    t->verticalHeader()->setVisible(false);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Read-only: Tab leaves the table for the buttons, arrows move inside it.
    t->setTabKeyNavigation(false);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (int r = 0; r < int(p.rows.size()); ++r)
        for (int c = 0; c < titles.size() && c < p.rows[size_t(r)].size(); ++c) {
            const QVariant &v = p.rows[size_t(r)][c];
            const bool number = p.fields.value(c).type == data::FieldType::Integer;
            auto *item = new QTableWidgetItem(
                number ? QLocale(QLocale::Portuguese, QLocale::Brazil).toString(v.toLongLong())
                       : v.toString());
            if (number)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            t->setItem(r, c, item);
        }
    t->horizontalHeader()->setStretchLastSection(true);
    t->resizeColumnsToContents(); // a handful of rows: the server sends the first ones only
    return t;
}

} // namespace

TfrmPrevia::TfrmPrevia(const QList<PreviewPart> &parts, QWidget *parent)
    : QDialog(parent), sbtConfirmar(new QPushButton(QStringLiteral("&Confirmar"), this)),
      sbtVoltar(new QPushButton(QStringLiteral("&Voltar"), this))
{
    setWindowTitle(QStringLiteral("Pré-visualização"));
    auto *layout = new QVBoxLayout(this);
    auto *intro = new QLabel(QStringLiteral("Nada foi gravado ainda. Confira o que será alterado "
                                            "e confirme, ou volte para mudar a seleção."),
                             this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    for (const PreviewPart &part : parts) {
        auto *title = new QLabel(part.title, this);
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
        layout->addWidget(title);
        QTableWidget *counts =
            tableOf(packetAt(part.reply, 1),
                    {QStringLiteral("O que será gravado"), QStringLiteral("Quantidade")}, this);
        counts->setMaximumHeight(counts->verticalHeader()->length() +
                                 counts->horizontalHeader()->height() + 4);
        layout->addWidget(counts);
        QTableWidget *rows =
            tableOf(packetAt(part.reply, 2),
                    {QStringLiteral("Produto"), QStringLiteral("Nome"), QStringLiteral("Campo"),
                     QStringLiteral("Antes"), QStringLiteral("Depois")},
                    this);
        layout->addWidget(rows, 1);
        grdContagens << counts;
        grdAmostras << rows;
    }
    // The window opens on what it shows, the buttons last in the tab order: an Enter pressed
    // on arrival, before a look, must not write.
    QWidget *previous = nullptr;
    for (QTableWidget *t : grdAmostras) {
        if (previous)
            setTabOrder(previous, t);
        previous = t;
    }
    if (previous) {
        setTabOrder(previous, sbtConfirmar);
        setTabOrder(sbtConfirmar, sbtVoltar);
        grdAmostras.first()->setFocus();
    }
    sbtConfirmar->setIcon(hostIcon(Glyph::Confirmar));
    sbtVoltar->setIcon(hostIcon(Glyph::Cancelar));
    // Neither is the default, so Enter in the list confirms nothing; on the button it presses it.
    sbtConfirmar->setAutoDefault(false);
    sbtVoltar->setAutoDefault(false);
    widgets::pressOnEnter(sbtConfirmar);
    widgets::pressOnEnter(sbtVoltar);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(sbtConfirmar);
    buttons->addWidget(sbtVoltar);
    layout->addLayout(buttons);
    connect(sbtConfirmar, &QPushButton::clicked, this, &QDialog::accept);
    connect(sbtVoltar, &QPushButton::clicked, this, &QDialog::reject);
    resize(860, 520);
}

bool previaConfirmada(QWidget *parent, const QList<PreviewPart> &parts)
{
    for (const PreviewPart &p : parts)
        CheckResultServ(p.reply, true, 0);
    TfrmPrevia dialog(parts, parent);
    return runDialog(dialog) == QDialog::Accepted;
}

} // namespace vnd::widgets
