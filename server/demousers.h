#pragma once
// One demonstration user per role, for the demo database (their passwords are in the README):
//   consulta / consulta-demo   Consulta
//   precos   / precos-demo     Preços
//   gerente  / gerente-demo    Gerente
//   admin    / admin-demo      Administrador

#include "server/database.h"

namespace vnd::server
{

// Adds the ones missing; the number added. Throws DbError on failure.
int addDemoUsers(const Database &database);

} // namespace vnd::server
