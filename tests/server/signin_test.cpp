// Signing in and out: tokens kept only as hashes, the same refusal for every wrong login,
// failed attempts slowed and then locked, sessions that end, and the users kept from the
// command line.

#include "serverfixture.h"

#include "server/userstore.h"
#include "wire/roles.h"

#include <QProcess>

#include <sodium.h>

namespace vnd::server::test
{
namespace
{

using data::Value;

const QString kWrong = QStringLiteral("Usuário ou senha inválidos.");

// The hash the database should hold for a token, computed here with libsodium itself.
QString expectedHash(const std::string &token)
{
    unsigned char hash[32];
    crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char *>(token.data()),
                       token.size(), nullptr, 0);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(hash), 32).toHex());
}

class SignInTest : public ServerFixture
{
protected:
    int sessions(const QString &login) const
    {
        return scalar(QStringLiteral("SELECT COUNT(*) FROM SESSAO WHERE CDUSUARIO = ?"), {login})
            .toInt();
    }
    Answer session(const std::string &token) const
    {
        return callAs(token, QString::fromUtf16(data::kSessionMethod), {});
    }
    void ageFailures(const QString &login, int seconds) const
    {
        scalar(QStringLiteral("UPDATE FALHAENTRADA SET DTULTIMAFALHA = DTULTIMAFALHA - ? "
                              "WHERE CDLOGIN = ?"),
               {seconds, login});
    }
};

TEST_F(SignInTest, TokenOpensASessionKeptOnlyAsItsHashUntilSignOut)
{
    const Answer in = signInOn(port(), QStringLiteral("Precos"), QStringLiteral("precos-demo"));
    const std::string token = tokenOf(in);
    ASSERT_EQ(token.size(), 43u) << qPrintable(in.reply.errorMessage); // 256 bits, Base64
    EXPECT_EQ(scalar(QStringLiteral("SELECT CDUSUARIO FROM SESSAO WHERE CDHASHSESSAO = ?"),
                     {expectedHash(token)})
                  .toString(),
              QStringLiteral("precos"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM SESSAO WHERE CDHASHSESSAO = ?"),
                     {QString::fromStdString(token)})
                  .toInt(),
              0);

    const Answer who = session(token);
    ASSERT_EQ(who.status, 200) << qPrintable(who.reply.errorMessage);
    ASSERT_EQ(who.reply.result.kind(), Value::Kind::Array);
    const data::ValueArray &user = who.reply.result.array();
    ASSERT_EQ(user.size(), 3u);
    EXPECT_EQ(user[0].toString(), QStringLiteral("precos"));
    EXPECT_EQ(user[1].toString(), QStringLiteral("Paulo Lima"));
    EXPECT_EQ(user[2].toString(), QStringLiteral("precos"));
    EXPECT_TRUE(log().filter(QStringLiteral("entrada: usuário \"precos\" de 127.0.0.1")).size() ==
                1)
        << log().join(u'\n').toStdString();

    EXPECT_EQ(callAs(token, QString::fromUtf16(data::kSignOutMethod), {}).status, 200);
    const Answer after = session(token);
    EXPECT_EQ(after.status, 401);
    EXPECT_EQ(after.reply.errorCode, QStringLiteral("session"));
    EXPECT_EQ(sessions(QStringLiteral("precos")), 0);
    // Nothing in the log gives the password or the token away.
    const QString all = log().join(u'\n');
    EXPECT_FALSE(all.contains(QStringLiteral("precos-demo")));
    EXPECT_FALSE(all.contains(QString::fromStdString(token)));
}

TEST_F(SignInTest, WrongPasswordUnknownAndDisabledLoginsGetTheSameRefusal)
{
    UserStore(database()).setActive(QStringLiteral("consulta"), false);
    const struct {
        const char *login, *password;
    } cases[] = {
        {"gerente", "senha-errada"},   {"ninguem", "gerente-demo"},
        {"consulta", "consulta-demo"}, // disabled
        {"", "gerente-demo"},          {"gerente", ""},
    };
    for (const auto &c : cases) {
        const Answer a =
            signInOn(port(), QString::fromUtf8(c.login), QString::fromUtf8(c.password));
        EXPECT_EQ(a.status, 401) << c.login;
        EXPECT_EQ(a.reply.errorCode, QStringLiteral("credentials")) << c.login;
        EXPECT_EQ(a.reply.errorMessage, kWrong) << c.login;
    }
    EXPECT_EQ(
        scalar(QStringLiteral("SELECT COUNT(*) FROM SESSAO WHERE CDUSUARIO <> 'gerente'")).toInt(),
        0);
}

// The same steps for a login that exists and one that does not: the answers may not tell them
// apart, and both are logged with the address.
TEST_F(SignInTest, RepeatedFailuresAreSlowedThenLockedWhetherTheLoginExistsOrNot)
{
    for (const QString &login : {QStringLiteral("gerente"), QStringLiteral("fantasma")}) {
        SCOPED_TRACE(login.toStdString());
        const auto attempt = [&](const char *password) {
            return signInOn(port(), login, QString::fromUtf8(password));
        };
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(attempt("errada-123").status, 401);
        // The fourth comes too soon: refused without looking at the password.
        Answer a = attempt("gerente-demo");
        EXPECT_EQ(a.status, 429);
        EXPECT_TRUE(a.reply.errorMessage.startsWith(
            QStringLiteral("Muitas tentativas de entrada sem sucesso. Aguarde ")))
            << a.reply.errorMessage.toStdString();
        EXPECT_FALSE(a.retryAfter.empty());

        ageFailures(login, 3);
        EXPECT_EQ(attempt("errada-123").status, 401); // the fourth failure
        scalar(QStringLiteral("UPDATE FALHAENTRADA SET QTFALHAS = 7, DTULTIMAFALHA = "
                              "DTULTIMAFALHA - 100 WHERE CDLOGIN = ?"),
               {login});
        EXPECT_EQ(attempt("errada-123").status, 401); // the eighth: locked from now
        a = attempt("gerente-demo");
        EXPECT_EQ(a.status, 429);
        EXPECT_EQ(a.reply.errorMessage,
                  QStringLiteral("Entrada bloqueada por excesso de tentativas sem sucesso. "
                                 "Tente novamente em 15 minuto(s)."));

        ageFailures(login, 15 * 60);
        a = attempt("gerente-demo");
        EXPECT_EQ(a.status, login == QLatin1String("gerente") ? 200 : 401);
        const QStringList lines =
            log().filter(QStringLiteral("usuário \"%1\" de 127.0.0.1").arg(login));
        EXPECT_EQ(lines.filter(QStringLiteral("entrada recusada:")).size(),
                  login == QLatin1String("gerente") ? 5 : 6);
        EXPECT_EQ(lines.filter(QStringLiteral("bloqueado")).size(), 2);
    }
}

class SessionEndTest : public SignInTest
{
protected:
    // Every call checks the database, so a change there shows at once.
    void SetUp() override
    {
        m_sessions.trustMs = 0;
        SignInTest::SetUp();
    }
};

TEST_F(SessionEndTest, SessionsEndWhenIdleTooOldOrTheirUserIsDisabled)
{
    const struct {
        const char *name;
        const char *sql; // ends the session of precos
    } cases[] = {
        {"idle past 30 minutes",
         "UPDATE SESSAO SET DTULTIMOUSO = DTULTIMOUSO - 1801 WHERE CDUSUARIO = 'precos'"},
        {"older than 12 hours", "UPDATE SESSAO SET DTCRIACAO = DTCRIACAO - 43201 "
                                "WHERE CDUSUARIO = 'precos'"},
        {"user disabled", "UPDATE USUARIO SET IDATIVO = 'N' WHERE CDUSUARIO = 'precos'"},
    };
    for (const auto &c : cases) {
        scalar(QStringLiteral("UPDATE USUARIO SET IDATIVO = 'S'"));
        scalar(QStringLiteral("DELETE FROM SESSAO WHERE CDUSUARIO = 'precos'"));
        const std::string token = openSession(QStringLiteral("precos"));
        ASSERT_EQ(session(token).status, 200) << c.name;
        scalar(QString::fromUtf8(c.sql));
        const Answer a = session(token);
        EXPECT_EQ(a.status, 401) << c.name;
        EXPECT_EQ(a.reply.errorMessage,
                  QStringLiteral("Sua sessão terminou. Entre novamente com seu usuário e senha."))
            << c.name;
    }
    // Idle less than the limit: still open.
    const std::string token = openSession(QStringLiteral("gerente"));
    scalar(QStringLiteral("UPDATE SESSAO SET DTULTIMOUSO = DTULTIMOUSO - 1700"));
    EXPECT_EQ(session(token).status, 200);
}

// The users kept with the server's command line, the password from standard input.
TEST_F(SessionEndTest, UsersAreAddedRepasswordedAndDisabledFromTheCommandLine)
{
    const auto run = [&](const QStringList &args, const QByteArray &input = {}) {
        QProcess p;
        p.start(QStringLiteral(VND_SERVER_EXE),
                QStringList{QStringLiteral("--db"), databaseUrl()} + args);
        p.write(input);
        p.closeWriteChannel();
        p.waitForFinished(30000);
        return std::pair{p.exitCode(), QString::fromUtf8(p.readAllStandardError())};
    };
    auto [code, err] =
        run({QStringLiteral("--add-user"), QStringLiteral("Maria"), QStringLiteral("--role"),
             QStringLiteral("Preços"), QStringLiteral("--name"), QStringLiteral("Maria Souza")},
            "segredo-da-maria\n");
    ASSERT_EQ(code, 0) << err.toStdString();
    std::string token =
        tokenOf(signInOn(port(), QStringLiteral("maria"), QStringLiteral("segredo-da-maria")));
    ASSERT_FALSE(token.empty());
    EXPECT_EQ(session(token).reply.result.array()[2].toString(), QStringLiteral("precos"));

    std::tie(code, err) =
        run({QStringLiteral("--set-password"), QStringLiteral("maria")}, "outro-segredo\n");
    EXPECT_EQ(code, 0) << err.toStdString();
    EXPECT_EQ(session(token).status, 401); // the old password's session ended
    token = tokenOf(signInOn(port(), QStringLiteral("maria"), QStringLiteral("outro-segredo")));
    EXPECT_FALSE(token.empty());

    std::tie(code, err) = run({QStringLiteral("--disable-user"), QStringLiteral("maria")});
    EXPECT_EQ(code, 0) << err.toStdString();
    EXPECT_EQ(session(token).status, 401);
    EXPECT_EQ(signInOn(port(), QStringLiteral("maria"), QStringLiteral("outro-segredo")).status,
              401);

    const struct {
        QStringList args;
        QByteArray input;
        int code;
        const char *says;
    } refused[] = {
        {{QStringLiteral("--add-user"), QStringLiteral("joao"), QStringLiteral("--role"),
          QStringLiteral("Chefe")},
         "segredo-do-joao\n",
         2,
         "papel desconhecido"},
        {{QStringLiteral("--add-user"), QStringLiteral("joao"), QStringLiteral("--role"),
          QStringLiteral("Gerente")},
         "curta\n",
         1,
         "ao menos 8 caracteres"},
        {{QStringLiteral("--add-user"), QStringLiteral("maria"), QStringLiteral("--role"),
          QStringLiteral("Gerente")},
         "segredo-da-maria\n",
         1,
         "já existe"},
        {{QStringLiteral("--set-password"), QStringLiteral("ninguem")},
         "segredo-123\n",
         1,
         "não encontrado"},
        {{QStringLiteral("--add-user"), QStringLiteral("joao")}, {}, 2, "exige --role"},
    };
    for (const auto &r : refused) {
        std::tie(code, err) = run(r.args, r.input);
        EXPECT_EQ(code, r.code) << r.args.join(u' ').toStdString();
        EXPECT_TRUE(err.contains(QString::fromUtf8(r.says))) << err.toStdString();
    }
    EXPECT_EQ(
        scalar(QStringLiteral("SELECT COUNT(*) FROM USUARIO WHERE CDUSUARIO = 'joao'")).toInt(), 0);
}

} // namespace
} // namespace vnd::server::test
