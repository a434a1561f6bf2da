#pragma once
// Loads the module library and resolves its exported creation functions. The shell knows
// the module only through these plain extern "C" functions without arguments or result.

#include <QLibrary>
#include <QList>
#include <QString>

#include <memory>

namespace vnd::shell
{

struct ModuleFunction {
    const char *symbol;
    QString caption; // menu entry; empty for exports not offered in the menu
    // The server method the window exists to call; a role that may not call it is not offered
    // the window. Null: any signed-in user (the window adapts to the role).
    const char16_t *needs = nullptr;
};

// The exports the shell knows, in menu order.
const QList<ModuleFunction> &moduleFunctions();
// Whether the signed-in user's role may use the export's window (nobody signed in: none).
bool offeredToUser(const QString &symbol);

class ModuleLoader
{
public:
    using Entry = void (*)();

    // Path of the module beside the executable: <bin>/../lib/libvnd42700.so.
    static QString defaultPath();

    // False with errorText() set when the library cannot be loaded.
    bool load(const QString &path);
    bool isLoaded() const;
    QString path() const { return m_path; }
    QString errorText() const { return m_error; }
    // nullptr when the module is not loaded or lacks the function.
    Entry resolve(const QString &symbol) const;
    // Runs an export inside the handler guard. A missing module or function shows a
    // Portuguese message; false when nothing ran or the function failed.
    bool run(const QString &symbol) const;

private:
    std::unique_ptr<QLibrary> m_library;
    QString m_path;
    QString m_error;
};

} // namespace vnd::shell
