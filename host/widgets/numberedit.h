#pragma once
// TNumberEdit: a number field with a fixed number of decimals, the decimal comma and no
// thousands separator. Empty reads as 0.

#include "host/widgets/tedit.h"

namespace vnd::widgets
{

class TNumberEdit : public TEdit
{
    Q_OBJECT
public:
    explicit TNumberEdit(QWidget *parent = nullptr);

    int decimals() const { return m_decimals; }
    void setDecimals(int decimals);
    bool allowNegative = false;

    double GetNumber() const; // 0 when empty
    bool isEmpty() const;
    void setNumber(double value);
    void clearNumber() { clear(); }

protected:
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    int m_decimals = 2;
};

// Number as the field shows it: fixed decimals, decimal comma, no grouping ("1234,50").
QString formatNumber(double value, int decimals);
// Accepts "1234,5", "1234.5", "-3"; nullopt-like NaN for anything else.
double parseNumber(const QString &text, bool *ok);

} // namespace vnd::widgets
