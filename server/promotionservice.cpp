#include "server/promotionservice.h"

#include "pricing/listtext.h"
#include "server/arguments.h"
#include "server/errors.h"
#include "server/promotionrepository.h"
#include "server/textcheck.h"

namespace vnd::server
{

using data::Value;
using data::ValueArray;

namespace
{

// The all-products flag: "T" or empty.
bool allProducts(const QString &flag)
{
    if (flag.isEmpty())
        return false;
    if (flag == u"T")
        return true;
    throw ServiceError::rule(
        QStringLiteral("Indicador de todos os produtos inválido: deve ser \"T\" ou vazio."));
}

// Prefix calls: all products, the list text, or the range (start, end, list, all).
Selection prefixSelection(const Arguments &a)
{
    if (allProducts(a.text(4)))
        return {};
    const QString list = a.text(3);
    if (!list.isEmpty()) {
        const std::optional<QStringList> codes = selection::wellFormedListCodes(list);
        if (!codes)
            throw ServiceError::badRequest(QStringLiteral("Lista de produtos inválida."));
        return listSelection(*codes);
    }
    return rangeSelection(a.text(1), a.text(2));
}

QString prefixOf(const Arguments &a)
{
    const QString prefix = a.text(0);
    if (prefix.isEmpty())
        throw ServiceError::rule(QStringLiteral("Prefixo deve ser informado."));
    if (hasControlCharacter(prefix))
        throw ServiceError::rule(QStringLiteral("Prefixo com caracteres inválidos."));
    return prefix;
}

// The CDPRODUTO codes of the chosen-products packet.
QStringList packetProducts(const Value &v)
{
    if (v.isNull())
        return {};
    if (v.kind() != Value::Kind::Packet)
        throw ServiceError::badRequest(
            QStringLiteral("O argumento 6 de SetUpdItemPrecoAlt deve ser um pacote de dados."));
    const data::DataPacket &p = v.packet();
    const int code = p.indexOf(u"CDPRODUTO");
    if (code < 0)
        throw ServiceError::badRequest(
            QStringLiteral("O pacote de produtos deve ter o campo CDPRODUTO."));
    QStringList codes;
    for (const data::Row &r : p.rows)
        codes << r.value(code).toString();
    return codes;
}

bool listMode(const Value &v)
{
    if (v.isNull())
        return false;
    if (v.kind() != Value::Kind::Bool)
        throw ServiceError::badRequest(
            QStringLiteral("O argumento 7 de SetUpdItemPrecoAlt deve ser um valor lógico."));
    return v.toBool();
}

} // namespace

void addPromotionMethods(Dispatcher &dispatcher, const Database &database)
{
    auto repo = std::make_shared<PromotionRepository>(database);

    dispatcher.add(QStringLiteral("GetAutItemPreco"), 2, [repo](const Arguments &a) {
        return okReply(repo->pricedProducts(a.text(0), a.date(1)), {nullptr, nullptr});
    });
    dispatcher.add(QStringLiteral("GetProdValid"), 3, [repo](const Arguments &a) {
        return okReply(repo->pricedProduct(a.text(0), a.date(1), a.text(2)),
                       {nullptr, nullptr, nullptr});
    });
    dispatcher.add(QStringLiteral("SetUpdItemPrecoAlt"), 9, [repo](const Arguments &a) {
        const QString flag = a.text(0);
        if (flag != u"S" && flag != u"N")
            throw ServiceError::rule(
                QStringLiteral("Indicador de promoção inválido: deve ser \"S\" ou \"N\"."));
        Selection selection;
        if (!allProducts(a.text(4)))
            selection = listMode(a.raw(6)) ? listSelection(packetProducts(a.raw(5)))
                                           : rangeSelection(a.text(1), a.text(2));
        const qint64 changed = repo->setPromotion(flag, selection, a.text(7), a.date(8));
        return okReply(changed, {a.raw(0), a.raw(1), a.raw(2), a.raw(3), a.raw(4), nullptr, nullptr,
                                 nullptr, nullptr});
    });
    auto prefixMethod = [repo](bool add) {
        return [repo, add](const Arguments &a) {
            const QString prefix = prefixOf(a);
            const Selection selection = prefixSelection(a);
            const qint64 changed =
                add ? repo->addPrefix(prefix, selection) : repo->removePrefix(prefix, selection);
            return okReply(changed, {a.raw(0), a.raw(1), a.raw(2), a.raw(3), a.raw(4)});
        };
    };
    dispatcher.add(QStringLiteral("SetAddPrefixo"), 5, prefixMethod(true));
    dispatcher.add(QStringLiteral("SetDelPrefixo"), 5, prefixMethod(false));
}

} // namespace vnd::server
