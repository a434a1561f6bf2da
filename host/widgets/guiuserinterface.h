#pragma once
// The user-interface port on real dialogs: Portuguese message boxes ("Sim"/"Não"), run
// through runDialog so tests can answer them with clicks.

#include "host/services/ui.h"

class QMessageBox;

namespace vnd::widgets
{

class GuiUserInterface final : public UserInterface
{
public:
    void showError(const QString &text) override;
    void showInfo(const QString &text) override;
    int ask(const QString &text, int type, int buttons) override;
};

// Installs one GuiUserInterface as the process's port (the shell calls it once).
void installGuiUserInterface();

// Application title used on message boxes.
QString applicationTitle();

} // namespace vnd::widgets
