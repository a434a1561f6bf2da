#pragma once
// System colour indices of the host's layouts, mapped to the application palette.
// 5 window, 8 window text, 9 caption text (text on a highlight), 13 highlight,
// 14 highlight text, 15 button face, 17 grey text, 23 tooltip text, 24 tooltip background.

#include <QColor>
#include <QPalette>

namespace vnd::widgets
{

enum SysColor {
    clScrollBar = 0,
    clBackground = 1,
    clActiveCaption = 2,
    clInactiveCaption = 3,
    clMenu = 4,
    clWindow = 5,
    clWindowFrame = 6,
    clMenuText = 7,
    clWindowText = 8,
    clCaptionText = 9,
    clActiveBorder = 10,
    clInactiveBorder = 11,
    clAppWorkSpace = 12,
    clHighlight = 13,
    clHighlightText = 14,
    clBtnFace = 15,
    clBtnShadow = 16,
    clGrayText = 17,
    clBtnText = 18,
    clInactiveCaptionText = 19,
    clBtnHighlight = 20,
    cl3DDkShadow = 21,
    cl3DLight = 22,
    clInfoText = 23,
    clInfoBk = 24
};

// The colour of a system index in the given palette (the application's by default).
QColor sysColor(int index, const QPalette &palette = QPalette());

} // namespace vnd::widgets
