#include "server/demousers.h"

#include "server/secrets.h"
#include "server/userstore.h"

#include <QHash>

#include <mutex>

namespace vnd::server
{

namespace
{

struct DemoUser {
    const char *login;
    const char *name;
    data::Role role;
    const char *password;
};

const DemoUser kDemoUsers[] = {
    {"consulta", "Carla Souza", data::Role::Consulta, "consulta-demo"},
    {"precos", "Paulo Lima", data::Role::Precos, "precos-demo"},
    {"gerente", "Gabriela Rocha", data::Role::Gerente, "gerente-demo"},
    {"admin", "André Martins", data::Role::Administrador, "admin-demo"},
};

// Hashed once per process: the test suites load the demo hundreds of times, and each hash
// takes a good part of a second by design.
QString demoHash(const QString &password)
{
    static std::mutex lock;
    static QHash<QString, QString> hashes;
    std::lock_guard guard(lock);
    auto it = hashes.find(password);
    if (it == hashes.end())
        it = hashes.insert(password, hashPassword(password));
    return *it;
}

} // namespace

int addDemoUsers(const Database &database)
{
    UserStore users(database);
    int added = 0;
    for (const DemoUser &d : kDemoUsers) {
        const QString login = QString::fromUtf8(d.login);
        if (users.find(login))
            continue;
        users.add({login, QString::fromUtf8(d.name), d.role, true,
                   demoHash(QString::fromUtf8(d.password))});
        ++added;
    }
    return added;
}

} // namespace vnd::server
