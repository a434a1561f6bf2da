#include "host/widgets/typeahead.h"

#include "host/services/searchrule.h"
#include "host/services/ui.h"
#include "host/widgets/dbgrid.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace vnd::widgets
{

TypeAhead::TypeAhead(TDBGrid *grid, QComboBox *field, QLineEdit *line, QLabel *notice)
    : QObject(line), m_grid(grid), m_field(field), m_line(line), m_notice(notice)
{
    for (int i = 0; i < int(grid->Columns().size()); ++i) {
        const TColumn &c = grid->Columns()[i];
        if (c.visible && c.field && !c.caption().trimmed().isEmpty())
            field->addItem(c.caption(), i);
    }
    m_notice->setStyleSheet(QStringLiteral("QLabel { color: #b02a1e; }"));
    m_notice->hide();
    connect(line, &QLineEdit::textEdited, this, [this](const QString &t) { seek(t); });
    connect(field, &QComboBox::currentIndexChanged, this, [this, line] {
        forget();
        seek(line->text());
    });
    if (data::ClientDataSet *ds = grid->dataSet())
        connect(ds, &data::ClientDataSet::reset, this, [this] { forget(); });
    line->installEventFilter(this);
}

bool TypeAhead::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_line || event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        return !m_found;
    if (key == Qt::Key_Down || key == Qt::Key_Up || key == Qt::Key_PageDown ||
        key == Qt::Key_PageUp) {
        QApplication::sendEvent(m_grid, event);
        return true;
    }
    return false;
}

void TypeAhead::forget()
{
    m_foldedField = -1;
    m_shown.clear();
    m_stored.clear();
}

bool TypeAhead::seek(const QString &text)
{
    data::ClientDataSet *ds = m_grid->dataSet();
    const int ci = m_field->currentData().toInt();
    const data::Field *f =
        ds && m_field->currentIndex() >= 0 && ci >= 0 && ci < int(m_grid->Columns().size())
            ? m_grid->Columns()[ci].field
            : nullptr;
    int row = -1;
    if (f && !text.isEmpty()) {
        if (m_foldedField != f->index()) {
            forget();
            m_shown.reserve(ds->recordCount());
            m_stored.reserve(ds->recordCount());
            for (int r = 0; r < ds->recordCount(); ++r) {
                m_shown.append(searchFold(ds->textAt(r, f->index(), true)));
                m_stored.append(searchFold(ds->textAt(r, f->index(), false)));
            }
            m_foldedField = f->index();
        }
        row = findFolded(
            int(m_shown.size()), 0, searchFold(text), [this](int r, const QString &wanted) {
                return m_shown.at(r).startsWith(wanted) || m_stored.at(r).startsWith(wanted);
            });
    }
    m_found = text.isEmpty() || (row >= 0 && guarded([&] { ds->moveTo(row); }));
    m_notice->setText(m_found ? QString() : noMatchMessage(text));
    m_notice->setVisible(!m_found);
    return m_found && !text.isEmpty();
}

} // namespace vnd::widgets
