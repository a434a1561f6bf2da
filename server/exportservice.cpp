#include "server/exportservice.h"

#include "pricing/codes.h"
#include "pricing/listtext.h"
#include "server/arguments.h"
#include "server/errors.h"
#include "server/exportrepository.h"
#include "server/textcheck.h"

namespace vnd::server
{

using data::ValueArray;

namespace
{

ExportRequest exportRequest(const Arguments &a)
{
    const QString mode = a.text(4);
    if (mode != u"T" && mode != u"L")
        throw ServiceError::badRequest(
            QStringLiteral("Modo de seleção inválido: deve ser \"T\" ou \"L\"."));
    const std::optional<QStringList> codes = selection::wellFormedListCodes(a.text(3));
    if (!codes)
        throw ServiceError::badRequest(QStringLiteral("Lista de produtos inválida."));

    ExportRequest r;
    r.destination = Ajusta(a.text(0), 3);
    r.name = a.text(1);
    r.origin = a.text(2);
    r.allProducts = mode == u"T";
    if (!r.allProducts)
        r.products = *codes;
    if (hasControlCharacter(r.destination) || hasControlCharacter(r.origin) ||
        hasControlCharacter(r.name))
        throw ServiceError::rule(
            QStringLiteral("Código ou nome de tabela com caracteres inválidos."));
    // The window pads digits; anything else would never be found by it again.
    if (!normalisedCode(r.destination, 3, false))
        throw ServiceError::rule(QStringLiteral("Tabela destino deve conter apenas dígitos."));
    if (r.destination.size() > 3)
        throw ServiceError::rule(QStringLiteral("Tabela destino deve ter no máximo 3 caracteres."));
    if (r.name.size() > 20)
        throw ServiceError::rule(QStringLiteral("Nome deve ter no máximo 20 caracteres."));
    return r;
}

} // namespace

void addExportMethods(Dispatcher &dispatcher, const Database &database)
{
    auto repo = std::make_shared<ExportRepository>(database);

    dispatcher.add(QStringLiteral("getExpProduto"), 1, [repo](const Arguments &a) {
        return okReply(repo->productsOf(a.text(0)), {nullptr});
    });
    dispatcher.add(QStringLiteral("setConfirmar"), 5, [repo](const Arguments &a) {
        const qint64 copied = repo->copyTable(exportRequest(a));
        return okReply(copied, {nullptr, nullptr, nullptr, a.raw(3), a.raw(4)});
    });
}

} // namespace vnd::server
