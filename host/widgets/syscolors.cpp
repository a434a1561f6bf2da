#include "host/widgets/syscolors.h"

#include <QApplication>

namespace vnd::widgets
{

QColor sysColor(int index, const QPalette &given)
{
    const QPalette pal = given.resolveMask() ? given : QApplication::palette();
    switch (index) {
    case clScrollBar:
    case clBtnFace:
    case clMenu:
    case clActiveBorder:
    case clInactiveBorder:
        return pal.color(QPalette::Button);
    case clBackground:
    case clAppWorkSpace:
        return pal.color(QPalette::Dark);
    case clActiveCaption:
    case clHighlight:
        return pal.color(QPalette::Highlight);
    case clInactiveCaption:
        return pal.color(QPalette::Inactive, QPalette::Highlight);
    case clWindow:
        return pal.color(QPalette::Base);
    case clWindowFrame:
    case cl3DDkShadow:
        return pal.color(QPalette::Shadow);
    case clMenuText:
    case clWindowText:
        return pal.color(QPalette::Text);
    case clCaptionText:
    case clHighlightText:
        return pal.color(QPalette::HighlightedText);
    case clBtnShadow:
        return pal.color(QPalette::Mid);
    case clGrayText:
    case clInactiveCaptionText:
        return pal.color(QPalette::Disabled, QPalette::Text);
    case clBtnText:
        return pal.color(QPalette::ButtonText);
    case clBtnHighlight:
        return pal.color(QPalette::Light);
    case cl3DLight:
        return pal.color(QPalette::Midlight);
    case clInfoText:
        return pal.color(QPalette::ToolTipText);
    case clInfoBk:
        return pal.color(QPalette::ToolTipBase);
    default:
        return pal.color(QPalette::Window);
    }
}

} // namespace vnd::widgets
