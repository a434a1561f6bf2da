#pragma once
// The methods of signing in and out:
//   Entrar(login, senha)  -> the session's token (the one call without a session)
//   Sair()                -> true; the session ends on every server
//   getSessao()           -> [login, nome, papel] of the session's user
//   getUsuarios()         -> packet of the users (CDUSUARIO, NMUSUARIO, IDPAPEL, IDATIVO)

#include "server/database.h"
#include "server/dispatcher.h"
#include "server/sessionstore.h"

namespace vnd::server
{

class SessionGate;

// gate: the server's, told of sign-outs; none when the server runs without sessions.
void addSessionMethods(Dispatcher &dispatcher, const Database &database, SessionGate *gate,
                       const SessionPolicy &policy);

} // namespace vnd::server
