#include "server/commandline.h"

#include "server/syntheticdata.h"

namespace vnd::server
{

namespace
{

bool parseListen(const QString &text, CommandLine &cl)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    bool ok = false;
    const int port = text.mid(colon + 1).toInt(&ok);
    if (!ok || port < 0 || port > 65535)
        return false;
    cl.host = text.left(colon);
    cl.port = port;
    return true;
}

} // namespace

QString usage()
{
    return QStringLiteral(
        "uso: vnd42700-server --db BANCO [--listen HOST:PORTA] [--threads N]\n"
        "     vnd42700-server --db BANCO --init [--demo | --synthetic N]\n"
        "\n"
        "Servidor de aplicação do módulo de tabelas de preços (vnd42700.rdmTabGeral).\n"
        "\n"
        "Opções:\n"
        "  --db BANCO          sqlite:ARQUIVO ou postgresql://usuario@host:porta/banco\n"
        "  --listen HOST:PORTA endereço de escuta (padrão 127.0.0.1:42700; porta 0 escolhe\n"
        "                      uma livre); serve até receber SIGINT ou SIGTERM\n"
        "  --threads N         número de linhas de execução (1 a 256)\n"
        "  --init              cria ou atualiza o esquema do banco e termina\n"
        "  --demo              com --init: carrega os dados de demonstração\n"
        "  --synthetic N       com --init: gera N produtos com preços, vigências,\n"
        "                      composições e preços diferenciados (para medições)\n"
        "  -h, --help          mostra este texto e termina\n");
}

CommandLine parseCommandLine(const QStringList &args)
{
    CommandLine cl;
    auto fail = [&cl](const QString &message) {
        cl.error = message;
        return cl;
    };
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            cl.help = true;
        } else if (a == QLatin1String("--db")) {
            if (!hasValue)
                return fail(QStringLiteral("--db exige um valor"));
            cl.db = args[++i];
        } else if (a == QLatin1String("--listen")) {
            if (!hasValue || !parseListen(args[++i], cl))
                return fail(QStringLiteral("--listen exige HOST:PORTA"));
            cl.serve = true;
        } else if (a == QLatin1String("--threads")) {
            bool ok = false;
            cl.threads = hasValue ? args[++i].toInt(&ok) : 0;
            if (!ok || cl.threads < 1 || cl.threads > 256)
                return fail(QStringLiteral("--threads exige um número entre 1 e 256"));
        } else if (a == QLatin1String("--init")) {
            cl.init = true;
        } else if (a == QLatin1String("--demo")) {
            cl.demo = true;
        } else if (a == QLatin1String("--synthetic")) {
            bool ok = false;
            cl.synthetic = hasValue ? args[++i].toInt(&ok) : 0;
            if (!ok || cl.synthetic < 1 || cl.synthetic > kMaxSyntheticProducts)
                return fail(QStringLiteral("--synthetic exige um número entre 1 e 1000000"));
        } else {
            return fail(QStringLiteral("Opção desconhecida: %1").arg(a));
        }
    }
    if (cl.help)
        return cl;
    if (cl.db.isEmpty())
        return fail(QStringLiteral("--db é obrigatório"));
    if ((cl.demo || cl.synthetic > 0) && !cl.init)
        return fail(QStringLiteral("--demo e --synthetic exigem --init"));
    if (cl.demo && cl.synthetic > 0)
        return fail(QStringLiteral("use --demo ou --synthetic, não os dois"));
    if (!cl.init)
        cl.serve = true;
    return cl;
}

} // namespace vnd::server
