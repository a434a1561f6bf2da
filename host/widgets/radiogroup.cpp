#include "host/widgets/radiogroup.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vnd::widgets
{

TRadioGroup::TRadioGroup(const QString &caption, const QStringList &items, QWidget *parent)
    : QGroupBox(caption, parent), m_group(new QButtonGroup(this))
{
    auto *layout = new QVBoxLayout(this);
    for (const QString &item : items) {
        auto *b = new QRadioButton(item, this);
        m_group->addButton(b, int(m_group->buttons().size()));
        layout->addWidget(b);
    }
    layout->addStretch(1);
    // The tab key enters the group at its chosen item (the arrows move between items).
    connect(m_group, &QButtonGroup::buttonToggled, this, [this](QAbstractButton *, bool) {
        for (QAbstractButton *b : m_group->buttons())
            b->setFocusPolicy(b->isChecked() || m_group->checkedId() < 0 ? Qt::StrongFocus
                                                                         : Qt::ClickFocus);
    });
}

int TRadioGroup::ItemIndex() const
{
    return m_group->checkedId();
}

void TRadioGroup::setItemIndex(int index)
{
    if (QAbstractButton *b = m_group->button(index))
        b->setChecked(true);
}

QRadioButton *TRadioGroup::button(int index) const
{
    return qobject_cast<QRadioButton *>(m_group->button(index));
}

int TRadioGroup::count() const
{
    return int(m_group->buttons().size());
}

} // namespace vnd::widgets
