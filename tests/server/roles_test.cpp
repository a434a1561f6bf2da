// Who may call what, and how long a login waits after failed sign-ins: pure rules, in tables.

#include "server/database.h"
#include "server/dispatcher.h"
#include "server/methods.h"
#include "server/sessionmethods.h"
#include "server/signinthrottle.h"
#include "wire/roles.h"

#include <gtest/gtest.h>

#include <map>

namespace vnd::server::test
{
namespace
{

using data::Role;

// The writes, the users and the change record, with the least role each needs; every other method only reads
// and is open to Consulta.
const std::map<QString, Role> kNotForEveryone = {
    {QStringLiteral("SetItemPreco"), Role::Precos},
    {QStringLiteral("SetImportaPreco"), Role::Precos},
    {QStringLiteral("setApagaPreco"), Role::Precos},
    {QStringLiteral("SetPrecoHora"), Role::Precos},
    {QStringLiteral("setTabGeral"), Role::Gerente},
    {QStringLiteral("setVigenciaTab"), Role::Gerente},
    {QStringLiteral("setFilTab"), Role::Gerente},
    {QStringLiteral("setConfirmar"), Role::Gerente},
    {QStringLiteral("SetAddPrefixo"), Role::Gerente},
    {QStringLiteral("SetDelPrefixo"), Role::Gerente},
    {QStringLiteral("SetUpdItemPrecoAlt"), Role::Gerente},
    {QStringLiteral("SetPrecDif"), Role::Gerente},
    {QStringLiteral("setConfirmarPrevia"), Role::Gerente},
    {QStringLiteral("SetAddPrefixoPrevia"), Role::Gerente},
    {QStringLiteral("SetDelPrefixoPrevia"), Role::Gerente},
    {QStringLiteral("SetUpdItemPrecoAltPrevia"), Role::Gerente},
    {QStringLiteral("SetPrecDifPrevia"), Role::Gerente},
    {QStringLiteral("getUsuarios"), Role::Administrador},
    // The whole change record; an item's own history is for everyone.
    {QStringLiteral("getHistAlteracoes"), Role::Gerente},
};

TEST(Roles, EveryRegisteredMethodIsGrantedFromItsLeastRoleUp)
{
    const Database database(QStringLiteral("sqlite:/nonexistent/roles.db"));
    Dispatcher dispatcher;
    addAllMethods(dispatcher, database);
    addSessionMethods(dispatcher, database, nullptr, {});
    const QStringList names = dispatcher.names();
    ASSERT_GE(names.size(), 31); // the module's 27, sign-in, sign-out, session, users
    for (const auto &[method, least] : kNotForEveryone)
        EXPECT_TRUE(names.contains(method)) << method.toStdString();
    for (const QString &method : names) {
        if (method == QString::fromUtf16(data::kSignInMethod)) {
            EXPECT_FALSE(data::needsSession(method));
            continue;
        }
        EXPECT_TRUE(data::needsSession(method)) << method.toStdString();
        const auto it = kNotForEveryone.find(method);
        const Role least = it == kNotForEveryone.end() ? Role::Consulta : it->second;
        for (Role role : {Role::Consulta, Role::Precos, Role::Gerente, Role::Administrador})
            EXPECT_EQ(data::roleMay(role, method), int(role) >= int(least))
                << method.toStdString() << " " << data::roleKey(role).toStdString();
        // Methods are named without regard to case.
        EXPECT_EQ(data::roleMay(least, method.toUpper()), true) << method.toStdString();
    }
    EXPECT_FALSE(data::roleMay(Role::Administrador, u"metodoQueNaoExiste"));
}

TEST(Roles, NamesAreReadAsTypedOrStored)
{
    const struct {
        const char *text;
        std::optional<Role> role;
    } cases[] = {
        {"Consulta", Role::Consulta}, {"Preços", Role::Precos},
        {"PRECOS", Role::Precos},     {"preços", Role::Precos},
        {" gerente ", Role::Gerente}, {"Administrador", Role::Administrador},
        {"admin", std::nullopt},      {"", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(data::roleNamed(QString::fromUtf8(c.text)), c.role) << c.text;
    EXPECT_EQ(data::roleCaption(Role::Precos), QStringLiteral("Preços"));
}

TEST(SignInThrottle, FreeAttemptsThenDoublingWaitsThenALock)
{
    const struct {
        int failures;
        qint64 ago; // since the last failure, seconds
        qint64 wait;
        bool locked;
    } cases[] = {
        {0, 0, 0, false},    {2, 0, 0, false},   {3, 0, 2, false},  {3, 1, 1, false},
        {3, 2, 0, false},    {4, 0, 4, false},   {5, 1, 7, false},  {7, 0, 32, false},
        {7, 32, 0, false},   {8, 0, 900, true},  {8, 899, 1, true}, {8, 900, 0, false},
        {20, 10, 890, true}, {5, 900, 0, false},
    };
    const qint64 now = 1'000'000;
    for (const auto &c : cases) {
        const SignInWait w = signInWait(c.failures, now - c.ago, now);
        EXPECT_EQ(w.seconds, c.wait) << c.failures << " failures, " << c.ago << " s ago";
        EXPECT_EQ(w.locked, c.locked) << c.failures << " failures, " << c.ago << " s ago";
    }
    EXPECT_EQ(failuresAfterOneMore(0, 0, now), 1);
    EXPECT_EQ(failuresAfterOneMore(4, now - 10, now), 5);
    EXPECT_EQ(failuresAfterOneMore(8, now - 900, now), 1); // the lock is over: counted afresh
}

} // namespace
} // namespace vnd::server::test
