#pragma once
// TfrmPrevia: what a bulk tool's change would do, as the server's preview answered it, before
// the user confirms it or goes back. One part per server call: the counts of what it would
// write and its first rows as they are and as they would be.

#include "wire/value.h"

#include <QDialog>
#include <QList>

class QPushButton;
class QTableWidget;

namespace vnd::widgets
{

struct PreviewPart {
    QString title;     // what the call changes, as the user knows it
    data::Reply reply; // the preview method's answer
};

class TfrmPrevia final : public QDialog
{
    Q_OBJECT
public:
    // Every part must be a successful answer (see previaConfirmada).
    explicit TfrmPrevia(const QList<PreviewPart> &parts, QWidget *parent = nullptr);

    QList<QTableWidget *> grdContagens, grdAmostras; // per part
    QPushButton *sbtConfirmar, *sbtVoltar;
};

// Shows the parts; true when the user confirms. A refused preview stops first with the
// server's message, as the real call would have.
bool previaConfirmada(QWidget *parent, const QList<PreviewPart> &parts);

} // namespace vnd::widgets
