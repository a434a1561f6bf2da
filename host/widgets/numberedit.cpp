#include "host/widgets/numberedit.h"

#include <QKeyEvent>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include <cmath>

namespace vnd::widgets
{

QString formatNumber(double value, int decimals)
{
    if (std::abs(value) < 0.5 * std::pow(10.0, -decimals))
        value = 0.0; // no "-0,00"
    return QString::number(value, 'f', decimals).replace(u'.', u',');
}

double parseNumber(const QString &text, bool *ok)
{
    QString t = text.trimmed();
    t.replace(u',', u'.');
    static const QRegularExpression re(QStringLiteral(R"(^-?\d*(\.\d*)?$)"));
    const bool valid = !t.isEmpty() && t != u"-" && t != u"." && re.match(t).hasMatch();
    if (ok)
        *ok = valid;
    return valid ? t.toDouble() : std::nan("");
}

TNumberEdit::TNumberEdit(QWidget *parent) : TEdit(parent)
{
    setAlignment(Qt::AlignRight);
    setDecimals(2);
}

void TNumberEdit::setDecimals(int decimals)
{
    m_decimals = std::max(0, decimals);
    const QString pattern = m_decimals > 0
                                ? QStringLiteral(R"(^-?\d{0,15}([,.]\d{0,%1})?$)").arg(m_decimals)
                                : QStringLiteral(R"(^-?\d{0,15}$)");
    setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), this));
}

double TNumberEdit::GetNumber() const
{
    bool ok = false;
    const double v = parseNumber(text(), &ok);
    return ok ? v : 0.0;
}

bool TNumberEdit::isEmpty() const
{
    bool ok = false;
    parseNumber(text(), &ok);
    return !ok;
}

void TNumberEdit::setNumber(double value)
{
    setText(formatNumber(value, m_decimals));
}

void TNumberEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->text() == u"-" && !allowNegative)
        return;
    if (event->text() == u".") {
        // The numeric keypad's point is the decimal comma here.
        QKeyEvent comma(QEvent::KeyPress, Qt::Key_Comma, event->modifiers(), QStringLiteral(","));
        TEdit::keyPressEvent(&comma);
        return;
    }
    TEdit::keyPressEvent(event);
}

void TNumberEdit::focusOutEvent(QFocusEvent *event)
{
    if (!isEmpty())
        setNumber(GetNumber());
    TEdit::focusOutEvent(event);
}

} // namespace vnd::widgets
