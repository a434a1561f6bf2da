#include "host/shell/startup.h"

#include "host/db/hostdatabase.h"
#include "host/net/clienttls.h"
#include "host/net/httpchannel.h"
#include "host/services/errors.h"
#include "host/services/hostconfig.h"
#include "host/shell/mainwindow.h"
#include "host/shell/moduleloader.h"

#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QSqlQuery>
#include <QTcpSocket>
#include <QTranslator>

namespace vnd::shell
{

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("backoffice"));
    QCoreApplication::setOrganizationName(QStringLiteral("vnd42700"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Retaguarda – Vendas"));
}

void installPortuguese(QCoreApplication &app)
{
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    auto *qt = new QTranslator(&app);
    if (qt->load(QLocale(QLocale::Portuguese, QLocale::Brazil), QStringLiteral("qtbase"),
                 QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
}

bool serverAnswers(const QString &host, int port, int timeoutMs)
{
    QTcpSocket socket;
    socket.connectToHost(QString::fromStdString(net::channelTarget(host, port).host),
                         quint16(port));
    const bool ok = socket.waitForConnected(timeoutMs);
    socket.abort();
    return ok;
}

QStringList checkEnvironment(const ShellOptions &options, const ModuleLoader &module,
                             MainWindow &window)
{
    QStringList problems;
    if (!module.isLoaded())
        problems << module.errorText();
    // Without the file the settings name, https:// servers are checked against the system's
    // store, which refuses a private authority's certificates: the user is told why.
    if (QString error; !net::setTrustedAuthorities(options.caFile, error))
        problems << error;

    const HostConfig &h = options.host;
    const QString where = QStringLiteral("%1:%2").arg(h.webUrl).arg(h.webPort);
    if (serverAnswers(h.webUrl, h.webPort)) {
        window.setServerStatus(QStringLiteral("Servidor: %1").arg(where), true);
    } else {
        window.setServerStatus(QStringLiteral("Servidor: %1 (sem resposta)").arg(where), false);
        problems << QStringLiteral("O servidor de aplicação em %1 não respondeu. As janelas do "
                                   "módulo não poderão consultar nem gravar dados.")
                        .arg(where);
    }

    if (h.database.isEmpty()) {
        window.setDatabaseStatus(QStringLiteral("Banco de dados: não configurado"), false);
        problems << QStringLiteral("Nenhum banco de dados configurado (use --db ou a chave db "
                                   "do arquivo de configuração); as pesquisas não funcionarão.");
    } else {
        try {
            db::openHostDatabase(h.database);
            window.setDatabaseStatus(QStringLiteral("Banco de dados: %1").arg(h.database), true);
            // The picture is the site's, kept in its database; the settings file only
            // supplies it where the database has none.
            QSqlQuery q(db::hostDatabase());
            if (q.exec(QStringLiteral("SELECT VALOR FROM CONFIGHOST WHERE CHAVE = "
                                      "'PICTURE_PRODUTO'")) &&
                q.next() && !q.value(0).toString().trimmed().isEmpty())
                hostConfig().productPicture = q.value(0).toString().trimmed();
        } catch (const Error &e) {
            window.setDatabaseStatus(QStringLiteral("Banco de dados: indisponível"), false);
            problems << e.message();
        }
    }
    return problems;
}

} // namespace vnd::shell
