#include "host/widgets/procura.h"

#include "host/services/searchrule.h"
#include "host/services/ui.h"
#include "host/widgets/dbgrid.h"
#include "host/widgets/dialogrunner.h"
#include "host/widgets/hostwindows.h"
#include "host/widgets/taborder.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QVBoxLayout>

namespace vnd::widgets
{

namespace
{

// What the user can search by: the columns the grid shows, or the labelled visible fields;
// each caption once (the first field that bears it), never a field's internal name.
QList<std::pair<QString, int>> searchableFields(data::ClientDataSet &ds, TDBGrid *grid)
{
    QList<std::pair<QString, int>> out;
    QSet<QString> seen;
    const auto offer = [&](const QString &caption, const data::Field *f) {
        const QString c = caption.trimmed();
        if (!f || c.isEmpty() || seen.contains(c))
            return;
        seen.insert(c);
        out.append({c, f->index()});
    };
    if (grid) {
        for (const TColumn &c : grid->Columns())
            if (c.visible)
                offer(c.caption(), c.field ? c.field : ds.findField(c.fieldName));
    } else {
        for (int i : shownFields(ds))
            if (ds.field(i).displayLabel != ds.field(i).fieldName())
                offer(ds.field(i).displayLabel, &ds.field(i));
        // A dataset whose fields carry no labels at all has only their names to offer.
        if (out.isEmpty())
            for (int i : shownFields(ds))
                offer(ds.field(i).fieldName(), &ds.field(i));
    }
    return out;
}

} // namespace

ProcuraDialog::ProcuraDialog(data::ClientDataSet *dataSet, TDBGrid *grid, QWidget *parent)
    : QDialog(parent), m_dataSet(dataSet), m_field(new QComboBox(this)), m_text(new QLineEdit(this))
{
    setWindowTitle(QStringLiteral("Procurar"));
    for (const auto &[caption, index] : searchableFields(*dataSet, grid))
        m_field->addItem(caption, index);
    // The column the user is in, when it is one of the choices.
    if (grid && grid->SelectedField()) {
        const int at = m_field->findData(grid->SelectedField()->index());
        if (at >= 0)
            m_field->setCurrentIndex(at);
    }
    m_text->setPlaceholderText(QStringLiteral("Digite o início do texto"));
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Campo:"), m_field);
    form->addRow(QStringLiteral("&Texto:"), m_text);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *find =
        buttons->addButton(QStringLiteral("&Procurar"), QDialogButtonBox::ActionRole);
    QPushButton *close =
        buttons->addButton(QStringLiteral("&Fechar"), QDialogButtonBox::RejectRole);
    find->setDefault(true);
    connect(find, &QPushButton::clicked, this, [this] { findNext(); });
    connect(close, &QPushButton::clicked, this, [this] { done(m_found ? Accepted : Rejected); });
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(380);
    // Typing starts at once: the text, not the column choice.
    m_text->setFocus();
}

bool ProcuraDialog::findNext()
{
    const QString text = m_text->text().trimmed();
    const int fi = m_field->currentData().toInt();
    const int n = m_dataSet->recordCount();
    if (text.isEmpty() || n == 0 || fi < 0)
        return false;
    // From the row after the current one, the current one last.
    const int row =
        findFolded(n, std::max(m_dataSet->recNo(), 0) + 1, searchFold(text),
                   [this, fi](int r, const QString &wanted) {
                       return searchFold(m_dataSet->textAt(r, fi, true)).startsWith(wanted) ||
                              searchFold(m_dataSet->textAt(r, fi, false)).startsWith(wanted);
                   });
    if (row < 0) {
        ShowInfo(noMatchMessage(text));
        return false;
    }
    if (!guarded([&] { m_dataSet->moveTo(row); }))
        return false;
    m_found = true;
    return true;
}

bool ProcuraDialog::focusNextPrevChild(bool next)
{
    return tabInReadingOrder(this, next) || QDialog::focusNextPrevChild(next);
}

bool Procura(data::ClientDataSet *dataSet, TDBGrid *grid)
{
    if (!dataSet || !dataSet->isActive() || dataSet->isEmpty())
        return false;
    ProcuraDialog dialog(dataSet, grid, dialogParent());
    runDialog(dialog);
    return dialog.found();
}

} // namespace vnd::widgets
