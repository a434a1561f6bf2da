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

QString shellUsage()
{
    return QStringLiteral(
        "uso: backoffice [opções]\n"
        "\n"
        "Retaguarda de vendas: abre a janela principal e oferece as janelas do módulo de\n"
        "preços no menu Preços.\n"
        "\n"
        "Opções:\n"
        "  --server HOST:PORTA   servidor de aplicação (chaves WebURL e WebPort da configuração);\n"
        "                        https://HOST:PORTA para TLS, verificado pelas autoridades do\n"
        "                        sistema ou do arquivo da chave ArquivoCA\n"
        "  --db BANCO            banco de dados da retaguarda: sqlite:ARQUIVO ou\n"
        "                        postgresql://... (chave db da configuração)\n"
        "  --open FUNCAO         abre uma janela do módulo ao iniciar: IniProc, criaTabGeral,\n"
        "                        CriaImportaTabela, CriaCadAutPromocao ou\n"
        "                        CriaCadAutPrecoDeferenciado\n"
        "  --module ARQUIVO      biblioteca do módulo de preços (padrão: ../lib/libvnd42700.so\n"
        "                        a partir da pasta do executável)\n"
        "  --settings ARQUIVO    arquivo de configuração (padrão:\n"
        "                        ~/.config/vnd42700/backoffice.ini)\n"
        "  --user LOGIN          usuário já preenchido na entrada (chave usuario da\n"
        "                        configuração)\n"
        "  --password-stdin      entra como --user com a senha da primeira linha da entrada\n"
        "                        padrão, sem mostrar a janela de entrada\n"
        "  -h, --help            mostra este texto e termina\n");
}

bool parseShellOptions(const QStringList &arguments, ShellOptions &options, QString &error)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption server(QStringLiteral("server"), QString(), QStringLiteral("v"));
    const QCommandLineOption db(QStringLiteral("db"), QString(), QStringLiteral("v"));
    const QCommandLineOption open(QStringLiteral("open"), QString(), QStringLiteral("v"));
    const QCommandLineOption module(QStringLiteral("module"), QString(), QStringLiteral("v"));
    const QCommandLineOption settings(QStringLiteral("settings"), QString(), QStringLiteral("v"));
    const QCommandLineOption user(QStringLiteral("user"), QString(), QStringLiteral("v"));
    const QCommandLineOption passwordStdin(QStringLiteral("password-stdin"));
    parser.addOptions({help, server, db, open, module, settings, user, passwordStdin});
    // The parser's own error texts are English; the user gets ours.
    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty()) {
            error =
                QStringLiteral("Opção desconhecida: %1%2")
                    .arg(unknown.first().size() == 1 ? QStringLiteral("-") : QStringLiteral("--"),
                         unknown.first());
        } else {
            QString missing;
            for (const QString &name :
                 {QStringLiteral("server"), QStringLiteral("db"), QStringLiteral("open"),
                  QStringLiteral("module"), QStringLiteral("settings"), QStringLiteral("user")})
                if (arguments.constLast() == QStringLiteral("--") + name)
                    missing = name;
            error = missing.isEmpty() ? QStringLiteral("Linha de comando inválida.")
                                      : QStringLiteral("A opção --%1 exige um valor.").arg(missing);
        }
        return false;
    }
    if (parser.isSet(help)) {
        options.helpRequested = true;
        return true;
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
    options.caFile = file.value(QStringLiteral("ArquivoCA")).toString();
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
    options.login =
        parser.isSet(user) ? parser.value(user) : file.value(QStringLiteral("usuario")).toString();
    options.passwordFromStdin = parser.isSet(passwordStdin);
    if (options.passwordFromStdin && options.login.isEmpty()) {
        error = QStringLiteral("--password-stdin exige --user.");
        return false;
    }
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
    // The default module path depends on the executable's folder, which only the application
    // object knows: main() fills it in once that exists.
    options.modulePath = parser.isSet(module) ? parser.value(module) : QString();
    return true;
}

} // namespace vnd::shell
