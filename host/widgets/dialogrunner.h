#pragma once
// Every modal dialog of the host runs through here, so tests can answer dialogs with real
// widget events instead of a nested event loop.

#include <QDialog>

#include <functional>

namespace vnd::widgets
{

// Receives the shown dialog; it acts on it (clicks, keys) and normally ends it with
// accept()/reject()/done(). A dialog left open is rejected.
using DialogResponder = std::function<void(QDialog &)>;

// Installs a responder (empty: real modal loops again).
void setDialogResponder(DialogResponder responder);
bool hasDialogResponder();

// exec() in the application, the responder in tests. Returns the dialog's result code.
int runDialog(QDialog &dialog);

// Installs a responder for the lifetime of the guard (tests).
class ScopedDialogResponder
{
public:
    explicit ScopedDialogResponder(DialogResponder responder);
    ~ScopedDialogResponder();
    ScopedDialogResponder(const ScopedDialogResponder &) = delete;
    ScopedDialogResponder &operator=(const ScopedDialogResponder &) = delete;

private:
    DialogResponder m_previous;
};

} // namespace vnd::widgets
