#include "server/exportservice.h"

#include "host/services/codes.h"
#include "server/arguments.h"
#include "server/errors.h"
#include "server/exportrepository.h"
#include "tools/selection/listtext.h"

namespace vnd::server
{

using data::ValueArray;

namespace
{

bool hasControl(const QString &text)
{
    for (QChar c : text)
        if (c.category() == QChar::Other_Control)
            return true;
    return false;
}

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
    if (hasControl(r.destination) || hasControl(r.origin) || hasControl(r.name))
        throw ServiceError::rule(
            QStringLiteral("Código ou nome de tabela com caracteres inválidos."));
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

    dispatcher.add(QStringLiteral("getExpProduto"), [repo](const ValueArray &args) {
        Arguments a(QStringLiteral("getExpProduto"), args, 1);
        return okReply(repo->productsOf(a.text(0)), {nullptr});
    });
    dispatcher.add(QStringLiteral("setConfirmar"), [repo](const ValueArray &args) {
        Arguments a(QStringLiteral("setConfirmar"), args, 5);
        const qint64 copied = repo->copyTable(exportRequest(a));
        return okReply(copied, {nullptr, nullptr, nullptr, a.raw(3), a.raw(4)});
    });
}

} // namespace vnd::server
