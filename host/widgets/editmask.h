#pragma once
// The host's edit-mask syntax "mask;save-literals;blank" and its translation to Qt input
// masks. Host mask characters: 0 required digit, 9 optional digit, # optional digit or sign,
// L/l letter, A/a letter or digit, C/c any character (upper case required, lower optional),
// > upper-case, < lower-case, <> no case change, \ next character literal, _ a blank,
// ! optional characters trimmed from the stored text; anything else is a literal.
// Qt gives 9 and 0 the opposite meanings, hence a translation.

#include <QString>

namespace vnd::widgets
{

struct HostMask {
    QString mask;             // the first part
    bool saveLiterals = true; // literals kept in the stored text
    QChar blank = u'_';       // shown in empty positions
    bool trim = false;        // '!' present
    bool isEmpty() const { return mask.isEmpty(); }
};

HostMask parseHostMask(const QString &hostMask);

// Qt input mask (with ";blank") for a host mask; "" for an empty mask.
QString toQtInputMask(const QString &hostMask);

// Text as the user sees it in the editor (blank characters as typed in the mask) -> the
// text to store: literals dropped unless saved, blanks turned to spaces, trailing blanks
// dropped; with '!' leading blanks are kept as the mask shows them.
QString maskedToStored(const QString &hostMask, const QString &displayText);

// Stored text -> edit text with the literals in place ("1030" with "!90:00;0; " ->
// "10:30"). A text that already shows the mask's literals is returned unchanged.
QString formatMaskText(const QString &hostMask, const QString &stored);

} // namespace vnd::widgets
