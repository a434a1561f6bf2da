#include "host/widgets/maskedit.h"

#include "host/widgets/editmask.h"

namespace vnd::widgets
{

TMaskEdit::TMaskEdit(QWidget *parent) : TEdit(parent) {}

void TMaskEdit::setEditMask(const QString &hostMask)
{
    const QString stored = Text();
    m_mask = hostMask;
    setInputMask(toQtInputMask(hostMask));
    setStoredText(stored);
    setCursorPosition(0); // typing fills the mask from its first position
}

QString TMaskEdit::Text() const
{
    return m_mask.isEmpty() ? text() : maskedToStored(m_mask, displayText());
}

QString TMaskEdit::EditText() const
{
    if (m_mask.isEmpty())
        return text();
    const QChar blank = parseHostMask(m_mask).blank;
    QString shown = displayText();
    if (blank != u' ')
        shown.replace(blank, u' ');
    return shown;
}

void TMaskEdit::setStoredText(const QString &stored)
{
    setText(m_mask.isEmpty() ? stored : formatMaskText(m_mask, stored));
}

} // namespace vnd::widgets
