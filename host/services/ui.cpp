#include "host/services/ui.h"

#include <QTextStream>

namespace vnd
{

namespace
{

// Used before a GUI or a test installs its own port: nothing is lost, nothing is agreed.
class StderrUserInterface final : public UserInterface
{
public:
    void showError(const QString &text) override { write(QStringLiteral("Erro"), text); }
    void showInfo(const QString &text) override { write(QStringLiteral("Informação"), text); }
    int ask(const QString &text, int, int) override
    {
        write(QStringLiteral("Pergunta (respondida Não)"), text);
        return mrNo;
    }

private:
    static void write(const QString &kind, const QString &text)
    {
        QTextStream(stderr) << kind << ": " << text << Qt::endl;
    }
};

StderrUserInterface g_stderrUi;
UserInterface *g_ui = nullptr;

const QString &unexpectedFailureText()
{
    static const QString text =
        QStringLiteral("Ocorreu um erro inesperado. A operação não foi concluída.");
    return text;
}

// Showing a message must not itself let an exception out of the guard.
void showSafely(const QString &text)
{
    try {
        userInterface().showError(text);
    } catch (...) {
        g_stderrUi.showError(text);
    }
}

} // namespace

void setUserInterface(UserInterface *ui)
{
    g_ui = ui;
}

UserInterface &userInterface()
{
    return g_ui ? *g_ui : g_stderrUi;
}

void MensErro(const QString &text, bool abort)
{
    userInterface().showError(text);
    // Callers rely on never coming back (the function is [[noreturn]]), so the operation
    // ends whatever the flag says.
    Q_UNUSED(abort);
    throw SilentAbort{};
}

int ShowMsg(const QString &text, int type, int buttons, int helpContext)
{
    Q_UNUSED(helpContext);
    return userInterface().ask(text, type, buttons);
}

void ShowInfo(const QString &text)
{
    userInterface().showInfo(text);
}

data::DataPacket CheckResultServ(const data::Reply &reply, bool abort, int flags)
{
    Q_UNUSED(flags);
    if (reply.ok) {
        if (reply.result.kind() == data::Value::Kind::Packet)
            return reply.result.packet();
        return data::DataPacket();
    }
    const QString message = reply.errorMessage.isEmpty()
                                ? QStringLiteral("O servidor informou uma falha sem descrição.")
                                : reply.errorMessage;
    if (abort)
        throw Error(message);
    userInterface().showError(message);
    return data::DataPacket();
}

bool guarded(const std::function<void()> &f)
{
    if (!f)
        return true;
    try {
        f();
        return true;
    } catch (const SilentAbort &) {
    } catch (const Error &e) {
        showSafely(e.message());
    } catch (const std::exception &e) {
        showSafely(QString::fromUtf8(e.what()));
    } catch (...) {
        showSafely(unexpectedFailureText());
    }
    return false;
}

} // namespace vnd
