#include "server/commandline.h"

#include "server/syntheticdata.h"
#include "server/tlscontext.h"

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
    QString host = text.left(colon);
    // An IPv6 address comes bracketed, so that its own colons are not taken for the port's.
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    if (host.isEmpty())
        return false;
    cl.host = host;
    cl.port = port;
    return true;
}

UserCommand::Kind userCommandKind(const QString &option)
{
    using Kind = UserCommand::Kind;
    if (option == QLatin1String("--add-user"))
        return Kind::Add;
    if (option == QLatin1String("--set-password"))
        return Kind::SetPassword;
    if (option == QLatin1String("--disable-user"))
        return Kind::Disable;
    if (option == QLatin1String("--enable-user"))
        return Kind::Enable;
    return Kind::None;
}

} // namespace

QString usage()
{
    return QStringLiteral(
        "uso: vnd42700-server --db BANCO [--listen HOST:PORTA] [--threads N]\n"
        "                     [--spill-dir PASTA] [--spill-max-mb N]\n"
        "                     [--tls-cert ARQUIVO --tls-key ARQUIVO | --plain-http]\n"
        "     vnd42700-server --db BANCO --init [--demo | --synthetic N] [--demo-users]\n"
        "     vnd42700-server --db BANCO --add-user LOGIN --role PAPEL [--name NOME]\n"
        "     vnd42700-server --db BANCO --set-password LOGIN | --disable-user LOGIN |\n"
        "                     --enable-user LOGIN\n"
        "     vnd42700-server --db BANCO --prune-history ANTES-DE --admin LOGIN\n"
        "\n"
        "Servidor de aplicação do módulo de tabelas de preços (vnd42700.rdmTabGeral).\n"
        "\n"
        "Opções:\n"
        "  --db BANCO          sqlite:ARQUIVO ou postgresql://usuario@host:porta/banco\n"
        "  --listen HOST:PORTA endereço de escuta (padrão 127.0.0.1:42700; porta 0 escolhe\n"
        "                      uma livre); serve até receber SIGINT ou SIGTERM\n"
        "  --threads N         número de linhas de execução (1 a 256)\n"
        "  --tls-cert ARQUIVO  certificado do servidor (PEM, com a cadeia): atende em TLS\n"
        "  --tls-key ARQUIVO   a chave privada do certificado (PEM)\n"
        "  --plain-http        aceita HTTP sem TLS fora do loopback (o TLS termina antes,\n"
        "                      num proxy); sem ele, só o loopback atende sem TLS\n"
        "  --session-idle MIN  minutos sem uso que encerram uma sessão (padrão 30)\n"
        "  --session-max H     horas de vida máxima de uma sessão (padrão 12)\n"
        "  --spill-dir PASTA   onde as respostas à espera de clientes lentos vão para o disco\n"
        "                      (padrão: a pasta temporária do sistema)\n"
        "  --spill-max-mb N    disco total dessas respostas; acima dele, novas leituras\n"
        "                      grandes são recusadas com 503 (padrão 2048)\n"
        "  --init              cria ou atualiza o esquema do banco e termina\n"
        "  --demo              com --init: carrega os dados de demonstração\n"
        "  --synthetic N       com --init: gera N produtos com preços, vigências,\n"
        "                      composições e preços diferenciados (para medições)\n"
        "  --demo-users        com --init: cria os usuários de demonstração que faltam\n"
        "                      (--demo também os cria)\n"
        "  --add-user LOGIN    cria um usuário; a senha vem do terminal (sem eco) ou,\n"
        "                      fora de um terminal, da primeira linha da entrada padrão\n"
        "  --role PAPEL        com --add-user: Consulta, Preços, Gerente ou Administrador\n"
        "  --name NOME         com --add-user: o nome mostrado (padrão: o login)\n"
        "  --set-password LOGIN troca a senha (lida como em --add-user) e encerra as\n"
        "                      sessões do usuário\n"
        "  --disable-user LOGIN desativa o usuário e encerra as sessões dele\n"
        "  --enable-user LOGIN reativa o usuário\n"
        "  --prune-history ANTES-DE remove do histórico de alterações as linhas anteriores\n"
        "                      à data (dd/mm/aaaa); a remoção fica registrada nele\n"
        "  --admin LOGIN       com --prune-history: o Administrador que a faz (senha lida\n"
        "                      como em --add-user)\n"
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
        } else if (a == QLatin1String("--session-idle") || a == QLatin1String("--session-max")) {
            const bool idle = a == QLatin1String("--session-idle");
            bool ok = false;
            const int n = hasValue ? args[++i].toInt(&ok) : 0;
            if (!ok || n < 1 || n > (idle ? 24 * 60 : 30 * 24))
                return fail(idle ? QStringLiteral("--session-idle exige minutos entre 1 e 1440")
                                 : QStringLiteral("--session-max exige horas entre 1 e 720"));
            (idle ? cl.sessionIdleMinutes : cl.sessionMaxHours) = n;
        } else if (const UserCommand::Kind kind = userCommandKind(a);
                   kind != UserCommand::Kind::None) {
            if (!hasValue)
                return fail(QStringLiteral("%1 exige o login do usuário").arg(a));
            if (cl.user.kind != UserCommand::Kind::None)
                return fail(QStringLiteral("use uma só das opções de usuário por vez"));
            cl.user.kind = kind;
            cl.user.login = args[++i];
        } else if (a == QLatin1String("--role") || a == QLatin1String("--name")) {
            if (!hasValue)
                return fail(QStringLiteral("%1 exige um valor").arg(a));
            (a == QLatin1String("--role") ? cl.user.role : cl.user.name) = args[++i];
        } else if (a == QLatin1String("--demo-users")) {
            cl.demoUsers = true;
        } else if (a == QLatin1String("--spill-dir")) {
            if (!hasValue)
                return fail(QStringLiteral("--spill-dir exige uma pasta"));
            cl.spillDir = args[++i];
        } else if (a == QLatin1String("--spill-max-mb")) {
            bool ok = false;
            cl.spillMaxMb = hasValue ? args[++i].toLongLong(&ok) : 0;
            if (!ok || cl.spillMaxMb < 0 || cl.spillMaxMb > (qint64(1) << 30))
                return fail(QStringLiteral("--spill-max-mb exige um número de megabytes"));
        } else if (a == QLatin1String("--tls-cert") || a == QLatin1String("--tls-key")) {
            if (!hasValue)
                return fail(QStringLiteral("%1 exige um arquivo").arg(a));
            (a == QLatin1String("--tls-cert") ? cl.tlsCert : cl.tlsKey) = args[++i];
        } else if (a == QLatin1String("--plain-http")) {
            cl.plainHttp = true;
        } else if (a == QLatin1String("--prune-history")) {
            const QString text = hasValue ? args[++i] : QString();
            cl.pruneBefore = QDate::fromString(text, QStringLiteral("dd/MM/yyyy"));
            if (!cl.pruneBefore.isValid())
                cl.pruneBefore = QDate::fromString(text, Qt::ISODate);
            if (!cl.pruneBefore.isValid())
                return fail(QStringLiteral("--prune-history exige uma data (dd/mm/aaaa)"));
        } else if (a == QLatin1String("--admin")) {
            if (!hasValue)
                return fail(QStringLiteral("--admin exige o login de um Administrador"));
            cl.pruneAdmin = args[++i];
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
    const bool userCommand = cl.user.kind != UserCommand::Kind::None;
    if (userCommand && (cl.init || cl.serve))
        return fail(QStringLiteral("as opções de usuário não se combinam com --init nem --listen"));
    if ((cl.user.kind == UserCommand::Kind::Add) != !cl.user.role.isEmpty())
        return fail(QStringLiteral("--add-user exige --role, e --role só vale com --add-user"));
    if (!cl.user.name.isEmpty() && cl.user.kind != UserCommand::Kind::Add)
        return fail(QStringLiteral("--name só vale com --add-user"));
    if (cl.demoUsers && !cl.init)
        return fail(QStringLiteral("--demo-users exige --init"));
    const bool prune = cl.pruneBefore.isValid();
    if (prune == cl.pruneAdmin.isEmpty())
        return fail(QStringLiteral("--prune-history exige --admin, e --admin só vale com ele"));
    if (prune && (userCommand || cl.init || cl.serve))
        return fail(QStringLiteral("--prune-history não se combina com outras operações"));
    if (!cl.init && !userCommand && !prune)
        cl.serve = true;
    const bool tls = !cl.tlsCert.isEmpty() || !cl.tlsKey.isEmpty();
    if (tls && (cl.tlsCert.isEmpty() || cl.tlsKey.isEmpty()))
        return fail(QStringLiteral("--tls-cert e --tls-key vão juntos"));
    if (tls && cl.plainHttp)
        return fail(QStringLiteral("use --tls-cert/--tls-key ou --plain-http, não os dois"));
    // Passwords and tokens would cross the network in the clear.
    if (cl.serve && !tls && !cl.plainHttp && !isLoopback(cl.host))
        return fail(QStringLiteral("para escutar em %1 sem ser o loopback dê --tls-cert e "
                                   "--tls-key, ou --plain-http se o TLS termina antes, num "
                                   "proxy")
                        .arg(cl.host));
    return cl;
}

} // namespace vnd::server
