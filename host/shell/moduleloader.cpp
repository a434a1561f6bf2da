#include "host/shell/moduleloader.h"

#include "host/net/clientsession.h"
#include "host/services/ui.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace vnd::shell
{

const QList<ModuleFunction> &moduleFunctions()
{
    static const QList<ModuleFunction> functions = {
        {"IniProc", QStringLiteral("Tabela de Preços Geral")},
        {"CriaImportaTabela", QStringLiteral("Exportar Tabela de Preço"), u"setConfirmar"},
        {"CriaCadAutPromocao", QStringLiteral("Alteração Automática"), u"SetUpdItemPrecoAlt"},
        {"CriaCadAutPrecoDeferenciado",
         QStringLiteral("Cadastro Automático de Preços Diferenciados"), u"SetPrecDif"},
        {"CriaAuditoria", QStringLiteral("Auditoria"), u"getHistAlteracoes"},
        {"criaTabGeral", QString()},
    };
    return functions;
}

bool offeredToUser(const QString &symbol)
{
    const net::ClientSession &session = net::ClientSession::instance();
    if (!session.role())
        return false;
    for (const ModuleFunction &f : moduleFunctions())
        if (symbol == QLatin1String(f.symbol))
            return !f.needs || session.may(f.needs);
    return true;
}

QString ModuleLoader::defaultPath()
{
    return QDir(QCoreApplication::applicationDirPath())
        .absoluteFilePath(QStringLiteral("../lib/libvnd42700.so"));
}

bool ModuleLoader::load(const QString &path)
{
    m_path = QFileInfo(path).absoluteFilePath();
    m_error.clear();
    if (!QFileInfo::exists(m_path)) {
        m_error = QStringLiteral("O módulo de preços não foi encontrado em %1.").arg(m_path);
        return false;
    }
    auto lib = std::make_unique<QLibrary>(m_path);
    // Resolve everything now: a broken module is reported at start, not at the first click.
    lib->setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!lib->load()) {
        m_error = QStringLiteral("O módulo de preços %1 não pôde ser carregado: %2")
                      .arg(m_path, lib->errorString());
        return false;
    }
    m_library = std::move(lib);
    return true;
}

bool ModuleLoader::isLoaded() const
{
    return m_library && m_library->isLoaded();
}

ModuleLoader::Entry ModuleLoader::resolve(const QString &symbol) const
{
    if (!isLoaded())
        return nullptr;
    return reinterpret_cast<Entry>(m_library->resolve(symbol.toLatin1().constData()));
}

bool ModuleLoader::run(const QString &symbol) const
{
    if (!isLoaded()) {
        ShowMsg(m_error.isEmpty() ? QStringLiteral("O módulo de preços não está carregado.")
                                  : m_error,
                mtWarning, mbOK);
        return false;
    }
    Entry entry = resolve(symbol);
    if (!entry) {
        ShowMsg(QStringLiteral("A função \"%1\" não existe no módulo %2.").arg(symbol, m_path),
                mtWarning, mbOK);
        return false;
    }
    return guarded([entry] { entry(); });
}

} // namespace vnd::shell
