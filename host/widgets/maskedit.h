#pragma once
// TMaskEdit: a line edit driven by a host edit mask ("!99:99;1; ", see editmask.h).

#include "host/widgets/tedit.h"

namespace vnd::widgets
{

class TMaskEdit : public TEdit
{
    Q_OBJECT
public:
    explicit TMaskEdit(QWidget *parent = nullptr);

    void setEditMask(const QString &hostMask);
    QString editMask() const { return m_mask; }
    // The text as stored: literals dropped unless the mask saves them, blanks as spaces.
    QString Text() const;
    // The text as shown, blanks as spaces ("  :  " when empty).
    QString EditText() const;
    // Puts a stored text in (literals placed by the mask).
    void setStoredText(const QString &stored);

private:
    QString m_mask;
};

} // namespace vnd::widgets
