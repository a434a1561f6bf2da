#include "host/widgets/lookuplayout.h"

#include "host/widgets/dbgrid.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vnd::widgets::Internal
{

void setUpLookupGrid(TDBGrid *grid, data::DataSource *source)
{
    grid->setOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines |
                     dgRowSelect | dgAlwaysShowSelection);
    grid->setReadOnly(true);
    grid->allowAppend = false;
    grid->setDataSource(source);
}

QBoxLayout *searchRow(QDialog *dialog, QComboBox *field, QLineEdit *text)
{
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Pesquisar por:"), dialog));
    row->addWidget(field);
    row->addWidget(text, 1);
    text->setPlaceholderText(QStringLiteral("Digite o início do texto"));
    text->setClearButtonEnabled(true);
    return row;
}

void fillFieldChoice(QComboBox *field, TDBGrid *grid)
{
    for (int i = 0; i < int(grid->Columns().size()); ++i) {
        const TColumn &c = grid->Columns()[i];
        if (c.visible && c.field)
            field->addItem(c.caption(), i);
    }
}

QDialogButtonBox *confirmButtons(QDialog *dialog)
{
    auto *box = new QDialogButtonBox(dialog);
    QPushButton *ok = box->addButton(QStringLiteral("&Confirmar"), QDialogButtonBox::AcceptRole);
    box->addButton(QStringLiteral("Ca&ncelar"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}

} // namespace vnd::widgets::Internal
