#include "wire/roles.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace vnd::data
{

namespace
{

struct RoleName {
    Role role;
    const char16_t *caption;
    const char16_t *key;
};

const RoleName kRoles[] = {
    {Role::Consulta, u"Consulta", u"consulta"},
    {Role::Precos, u"Preços", u"precos"},
    {Role::Gerente, u"Gerente", u"gerente"},
    {Role::Administrador, u"Administrador", u"administrador"},
};

struct Grant {
    const char16_t *method;
    Role least;
};

// Reads are for everyone signed in; item prices and day/hour rules for Preços; tables,
// periods, branches, the three tools and the whole change record for Gerente; users for
// Administrador.
const Grant kGrants[] = {
    {kSessionMethod, Role::Consulta},        {kSignOutMethod, Role::Consulta},
    {u"getTabGeral", Role::Consulta},        {u"getVdTabGeral", Role::Consulta},
    {u"getVigenciaTab", Role::Consulta},     {u"getVdPeriodo", Role::Consulta},
    {u"GetMaxDtFinVg", Role::Consulta},      {u"getFilTab", Role::Consulta},
    {u"getVdFilTab", Role::Consulta},        {u"getFilOutTab", Role::Consulta},
    {u"getItemPreco", Role::Consulta},       {u"getItemPrecoComp", Role::Consulta},
    {u"GetPrecoHora", Role::Consulta},       {u"getVdModalidade", Role::Consulta},
    {u"getExpProduto", Role::Consulta},      {u"GetProdValid", Role::Consulta},
    {u"GetAutItemPreco", Role::Consulta},    {u"SQL_Pesquisa_ProdutoPDV", Role::Consulta},
    {u"SetItemPreco", Role::Precos},         {u"setApagaPreco", Role::Precos},
    {u"SetImportaPreco", Role::Precos},      {u"SetPrecoHora", Role::Precos},
    {u"setTabGeral", Role::Gerente},         {u"setVigenciaTab", Role::Gerente},
    {u"setFilTab", Role::Gerente},           {u"setConfirmar", Role::Gerente},
    {u"SetAddPrefixo", Role::Gerente},       {u"SetDelPrefixo", Role::Gerente},
    {u"SetUpdItemPrecoAlt", Role::Gerente},  {u"SetPrecDif", Role::Gerente},
    {u"setConfirmarPrevia", Role::Gerente},  {u"SetAddPrefixoPrevia", Role::Gerente},
    {u"SetDelPrefixoPrevia", Role::Gerente}, {u"SetUpdItemPrecoAltPrevia", Role::Gerente},
    {u"SetPrecDifPrevia", Role::Gerente},    {u"getUsuarios", Role::Administrador},
    {u"getHistItemPreco", Role::Consulta},   {u"getItemPrecoEm", Role::Consulta},
    {u"GetPrecoHoraEm", Role::Consulta},     {u"getHistAlteracoes", Role::Gerente},
};

bool before(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) < 0;
}

// Sorted without regard to case, so a call's method is found without building a lower-case
// copy of its name (this runs on every call).
const std::vector<Grant> &grants()
{
    static const std::vector<Grant> table = [] {
        std::vector<Grant> t(std::begin(kGrants), std::end(kGrants));
        std::sort(t.begin(), t.end(), [](const Grant &a, const Grant &b) {
            return before(QStringView(a.method), QStringView(b.method));
        });
        return t;
    }();
    return table;
}

} // namespace

QString roleCaption(Role role)
{
    for (const RoleName &r : kRoles)
        if (r.role == role)
            return QString::fromUtf16(r.caption);
    return {};
}

QString roleKey(Role role)
{
    for (const RoleName &r : kRoles)
        if (r.role == role)
            return QString::fromUtf16(r.key);
    return {};
}

std::optional<Role> roleNamed(QStringView name)
{
    QString plain = name.trimmed().toString().toLower();
    plain.replace(u'ç', u'c');
    for (const RoleName &r : kRoles)
        if (plain == QStringView(r.key))
            return r.role;
    return std::nullopt;
}

std::optional<Role> leastRoleFor(QStringView method)
{
    // Clients name methods as registered: that spelling is found at once.
    for (const Grant &g : kGrants)
        if (QStringView(g.method) == method)
            return g.least;
    const auto &table = grants();
    const auto it =
        std::lower_bound(table.begin(), table.end(), method, [](const Grant &g, QStringView m) {
            return before(QStringView(g.method), m);
        });
    if (it == table.end() || QStringView(it->method).compare(method, Qt::CaseInsensitive) != 0)
        return std::nullopt;
    return it->least;
}

bool roleMay(Role role, QStringView method)
{
    const std::optional<Role> least = leastRoleFor(method);
    return least && int(role) >= int(*least);
}

bool needsSession(QStringView method)
{
    return method.compare(QStringView(kSignInMethod), Qt::CaseInsensitive) != 0;
}

} // namespace vnd::data
