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

QBoxLayout *searchRow(QDialog *dialog, QComboBox *field, QLineEdit *text, QLabel *notice)
{
    auto *row = new QHBoxLayout;
    auto *label = new QLabel(QStringLiteral("Pesquisar &por:"), dialog);
    label->setBuddy(field);
    row->addWidget(label);
    row->addWidget(field);
    row->addWidget(text, 1);
    text->setPlaceholderText(QStringLiteral("Digite o início do texto"));
    text->setClearButtonEnabled(true);
    auto *column = new QVBoxLayout;
    column->addLayout(row);
    column->addWidget(notice);
    return column;
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
