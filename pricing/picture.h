#pragma once
// The product-code picture: a string such as "9.99.999.9999" where every '9' is one digit
// of the code and every other character separates two levels of the product tree. Stored
// codes hold the digits only; the picture puts the separators back for display and entry.

#include <QString>
#include <QStringList>

namespace vnd
{

class Picture
{
public:
    Picture() = default;
    explicit Picture(const QString &picture);

    const QString &picture() const { return m_picture; }
    // Number of levels ("9.99.999.9999" has 4).
    int GetTtNiveis() const { return int(m_widths.size()); }
    int levelWidth(int level) const; // digits of level 1..GetTtNiveis()
    int totalDigits() const;
    // Host edit mask for entry: digits optional, literals not saved, blank ' '.
    QString mask() const;
    // "10100010001" -> "1.01.000.10001"-style: the separators between the digits present.
    QString format(const QString &stored) const;
    // The same over `out`, its room reused: an export formats every product's code.
    void formatInto(QStringView stored, QString &out) const;
    // Digits only, blanks and separators dropped.
    static QString strip(const QString &text);
    // Level whose last digit ends the code (1-based); 0 when the digit count falls inside a
    // level or the text holds anything but digits, blanks and the picture's separators.
    int levelOf(const QString &text) const;

private:
    QString m_picture;
    QList<int> m_widths;
    QStringList m_separators; // m_separators[i] follows level i+1
};

} // namespace vnd
