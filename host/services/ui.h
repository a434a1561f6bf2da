#pragma once
// The user-interface port of the host services. The GUI implements it with real dialogs;
// tests install a scripted responder. Never a modal loop in tests.

#include "wire/value.h"
#include "host/services/errors.h"

#include <QString>

#include <functional>

namespace vnd {

// Message types and buttons of ShowMsg (host values).
enum MsgType { mtWarning = 0, mtError = 1, mtInformation = 2, mtConfirmation = 3 };
enum MsgButtons { mbOK = 1, mbYesNo = 2, mbOKCancel = 3 };
// Answers.
enum ModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

class UserInterface
{
public:
    virtual ~UserInterface() = default;
    virtual void showError(const QString &text) = 0;
    virtual void showInfo(const QString &text) = 0;
    // Returns a ModalResult.
    virtual int ask(const QString &text, int type, int buttons) = 0;
};

// The installed port (not owned). Without one, messages go to stderr and questions answer No.
void setUserInterface(UserInterface *ui);
UserInterface &userInterface();

// Shows the error and ends the operation silently (throws SilentAbort). It never returns,
// so it ends the operation whatever the abort flag says.
[[noreturn]] void MensErro(const QString &text, bool abort = true);
// Dialog; Yes answers 6 (mrYes).
int ShowMsg(const QString &text, int type, int buttons, int helpContext = 0);
void ShowInfo(const QString &text);

// The packet of a successful reply (an empty packet when the result is not a packet).
// On failure: with abort, throws vnd::Error carrying the server's message (the handler guard
// shows it); without abort, shows the message and returns an empty packet.
data::DataPacket CheckResultServ(const data::Reply &reply, bool abort = true, int flags = 0);

// Runs f, the handler guard: a SilentAbort is swallowed, a vnd::Error or std::exception is
// shown through the port, nothing escapes. Returns false when f did not complete.
bool guarded(const std::function<void()> &f);

} // namespace vnd
