#pragma once
// TRadioGroup: a captioned group of radio buttons, one per item, read and set by item index.
// The tab key stops at the chosen item only; the arrow keys choose another.

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

namespace vnd::widgets
{

class TRadioGroup : public QGroupBox
{
    Q_OBJECT
public:
    TRadioGroup(const QString &caption, const QStringList &items, QWidget *parent = nullptr);

    // -1 when no item is selected.
    int ItemIndex() const;
    void setItemIndex(int index);
    QRadioButton *button(int index) const;
    int count() const;

private:
    QButtonGroup *m_group;
};

} // namespace vnd::widgets
