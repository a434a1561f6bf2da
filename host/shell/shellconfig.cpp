#include "host/shell/shellconfig.h"

#include "host/shell/moduleloader.h"

#include <QCommandLineParser>
#include <QSettings>
#include <QStandardPaths>

namespace vnd::shell
{

QString defaultSettingsFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/vnd42700/backoffice.ini");
}

bool parseShellOptions(const QStringList &arguments, ShellOptions &options, QString &error)
{
    QCommandLineParser parser;
    const QCommandLineOption server(QStringLiteral("server"),
                                    QStringLiteral("Servidor de aplicação (HOST:PORTA)."),
                                    QStringLiteral("HOST:PORTA"));
    const QCommandLineOption db(QStringLiteral("db"),
                                QStringLiteral("Banco de dados da retaguarda."),
                                QStringLiteral("BANCO"));
    const QCommandLineOption open(QStringLiteral("open"),
                                  QStringLiteral("Abre uma janela do módulo ao iniciar."),
                                  QStringLiteral("FUNCAO"));
    const QCommandLineOption module(QStringLiteral("module"),
                                    QStringLiteral("Biblioteca do módulo de preços."),
                                    QStringLiteral("ARQUIVO"));
    const QCommandLineOption settings(QStringLiteral("settings"),
                                      QStringLiteral("Arquivo de configuração."),
                                      QStringLiteral("ARQUIVO"));
    parser.addOptions({server, db, open, module, settings});
    if (!parser.parse(arguments)) {
        error = QStringLiteral("Linha de comando inválida: %1").arg(parser.errorText());
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("Argumento não reconhecido: %1")
                    .arg(parser.positionalArguments().first());
        return false;
    }

    options.settingsFile = parser.isSet(settings) ? parser.value(settings) : defaultSettingsFile();
    QSettings file(options.settingsFile, QSettings::IniFormat);
    HostConfig &h = options.host;
    h.webUrl = file.value(QStringLiteral("WebURL"), h.webUrl).toString();
    bool portOk = false;
    const int port = file.value(QStringLiteral("WebPort"), h.webPort).toInt(&portOk);
    if (portOk && port > 0 && port < 65536)
        h.webPort = port;
    h.database = file.value(QStringLiteral("db"), h.database).toString();
    h.productPicture = file.value(QStringLiteral("Mascara"), h.productPicture).toString();

    if (parser.isSet(server)) {
        const auto address = parseServerAddress(parser.value(server));
        if (!address) {
            error = QStringLiteral("Endereço de servidor inválido: \"%1\" (use HOST:PORTA).")
                        .arg(parser.value(server));
            return false;
        }
        h.webUrl = address->host;
        h.webPort = address->port;
    }
    if (parser.isSet(db))
        h.database = parser.value(db);
    if (parser.isSet(open)) {
        options.openFunction = parser.value(open);
        bool known = false;
        for (const ModuleFunction &f : moduleFunctions())
            known = known || options.openFunction == QLatin1String(f.symbol);
        if (!known) {
            error =
                QStringLiteral("Função desconhecida em --open: \"%1\".").arg(options.openFunction);
            return false;
        }
    }
    options.modulePath = parser.isSet(module) ? parser.value(module) : ModuleLoader::defaultPath();
    return true;
}

} // namespace vnd::shell
