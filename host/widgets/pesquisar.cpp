#include "host/widgets/pesquisar.h"

#include "host/services/ui.h"
#include "host/widgets/dbgrid.h"
#include "host/widgets/dialogrunner.h"
#include "host/widgets/hostwindows.h"
#include "host/widgets/lookuplayout.h"
#include "host/widgets/taborder.h"
#include "host/widgets/typeahead.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace vnd::widgets
{

LookupCaption splitCaption(const QString &caption)
{
    const qsizetype bar = caption.indexOf(u'|');
    if (bar < 0)
        return {caption, {}};
    return {caption.left(bar), caption.mid(bar + 1)};
}

PesquisarDialog::PesquisarDialog(data::DataSource *source, const QString &title, QWidget *parent)
    : QDialog(parent), m_grid(new TDBGrid(this)), m_search(new QLineEdit(this)),
      m_field(new QComboBox(this)), m_notice(new QLabel(this))
{
    setWindowTitle(title.isEmpty() ? QStringLiteral("Pesquisar") : title);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(Internal::searchRow(this, m_field, m_search, m_notice));
    Internal::setUpLookupGrid(m_grid, source);
    layout->addWidget(m_grid, 1);
    m_typeAhead = new TypeAhead(m_grid, m_field, m_search, m_notice);
    auto *buttons = Internal::confirmButtons(this);
    layout->addWidget(buttons);
    connect(m_grid, &QAbstractItemView::doubleClicked, this, &QDialog::accept);
    m_grid->onKeyDown = [this](int &key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            key = 0;
            accept();
        }
    };
    resize(560, 400);
    m_search->setFocus();
}

bool PesquisarDialog::seek(const QString &text)
{
    return m_typeAhead->seek(text);
}

bool PesquisarDialog::focusNextPrevChild(bool next)
{
    return tabInReadingOrder(this, next) || QDialog::focusNextPrevChild(next);
}

bool Pesquisar(data::DataSource *source, const QString &caption, bool, bool)
{
    const LookupCaption c = splitCaption(caption);
    data::ClientDataSet *ds = source ? source->dataSet() : nullptr;
    if (!ds || !ds->isActive() || ds->isEmpty()) {
        ShowInfo(c.notFound.isEmpty() ? QStringLiteral("Nenhum registro encontrado.") : c.notFound);
        return false;
    }
    const int start = ds->recNo();
    PesquisarDialog dialog(source, c.title, dialogParent());
    if (runDialog(dialog) == QDialog::Accepted && !ds->isEmpty())
        return true;
    if (ds->isActive() && start >= 0 && start < ds->recordCount())
        guarded([&] { ds->moveTo(start); });
    return false;
}

} // namespace vnd::widgets
