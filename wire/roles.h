#pragma once
// Who may call what: the roles of the back office and the least role each method of the
// remote data module needs. The server decides with this table; the windows read the same
// table to disable what the signed-in role cannot do. Each role includes the ones before it.

#include <QString>
#include <QStringView>

#include <optional>

namespace vnd::data
{

enum class Role { Consulta = 1, Precos, Gerente, Administrador };

// The method that opens a session (the only one called without a session), the one that
// ends it, and the one that tells who is signed in.
inline constexpr char16_t kSignInMethod[] = u"Entrar";
inline constexpr char16_t kSignOutMethod[] = u"Sair";
inline constexpr char16_t kSessionMethod[] = u"getSessao";

// "Consulta", "Preços", "Gerente", "Administrador": as the user reads them.
QString roleCaption(Role role);
// "consulta", "precos", "gerente", "administrador": as stored.
QString roleKey(Role role);
// The role a caption or key names, regardless of case and of the cedilla; nullopt otherwise.
std::optional<Role> roleNamed(QStringView name);

// The least role that may call the method (matched case-insensitively); nullopt for a
// method no role may call (one this table does not know).
std::optional<Role> leastRoleFor(QStringView method);
// Whether the role may call the method.
bool roleMay(Role role, QStringView method);
// Whether the method needs a session: every method but the sign-in.
bool needsSession(QStringView method);

} // namespace vnd::data
