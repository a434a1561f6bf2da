#include "host/widgets/procura.h"

#include "host/services/ui.h"
#include "host/widgets/dbgridcolumn.h"
#include "host/widgets/dialogrunner.h"
#include "host/widgets/hostwindows.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vnd::widgets
{

ProcuraDialog::ProcuraDialog(data::ClientDataSet *dataSet, QWidget *parent)
    : QDialog(parent), m_dataSet(dataSet), m_field(new QComboBox(this)), m_text(new QLineEdit(this))
{
    setWindowTitle(QStringLiteral("Procurar"));
    for (int i : shownFields(*dataSet)) {
        const data::Field &f = dataSet->field(i);
        m_field->addItem(f.displayLabel.isEmpty() ? f.fieldName() : f.displayLabel, i);
    }
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
}

bool ProcuraDialog::findNext()
{
    const QString text = m_text->text().trimmed();
    const int fi = m_field->currentData().toInt();
    const int n = m_dataSet->recordCount();
    if (text.isEmpty() || n == 0 || fi < 0)
        return false;
    const int start = std::max(m_dataSet->recNo(), 0);
    for (int k = 1; k <= n; ++k) {
        const int row = (start + k) % n;
        if (m_dataSet->textAt(row, fi, true).contains(text, Qt::CaseInsensitive)) {
            if (!guarded([&] { m_dataSet->moveTo(row); }))
                return false;
            m_found = true;
            return true;
        }
    }
    ShowInfo(QStringLiteral("Nenhum registro contém \"%1\".").arg(text));
    return false;
}

bool Procura(data::ClientDataSet *dataSet)
{
    if (!dataSet || !dataSet->isActive() || dataSet->isEmpty())
        return false;
    ProcuraDialog dialog(dataSet, dialogParent());
    runDialog(dialog);
    return dialog.found();
}

} // namespace vnd::widgets
