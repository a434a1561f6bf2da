#include "server/diffpriceservice.h"

#include "pricing/codes.h"
#include "pricing/diffpricemessages.h"
#include "pricing/diffpricerules.h"
#include "server/arguments.h"
#include "server/diffpricerepository.h"
#include "server/errors.h"

namespace vnd::server
{

using data::ValueArray;
using pricing::Decimal;
using Mode = PrecDifRequest::Mode;

namespace
{

[[noreturn]] void refuse(const char *key)
{
    throw ServiceError::rule(diffprice::diffPriceMessage(key));
}

// A radio group's item index: 0 or 1.
bool secondItem(const Arguments &a, int index)
{
    const qint64 item = a.integer(index);
    if (item != 0 && item != 1)
        throw ServiceError::badRequest(
            QStringLiteral("O argumento %1 de SetPrecDif deve ser 0 ou 1.").arg(index + 1));
    return item == 1;
}

Mode selectionMode(const Arguments &a)
{
    const bool lista = a.boolean(10), todos = a.boolean(11), intervalo = a.boolean(12);
    if (int(lista) + int(todos) + int(intervalo) != 1)
        throw ServiceError::rule(
            QStringLiteral("Escolha uma seleção de produtos: Todos, Lista ou Intervalo."));
    return lista ? Mode::Lista : intervalo ? Mode::Intervalo : Mode::Todos;
}

// "HH:MM" as HHMM; the window's messages for a missing or invalid time.
QString storedTime(const QString &shown, const char *missingKey)
{
    if (EmptyString(shown))
        refuse(missingKey);
    const std::optional<QString> stored = diffprice::storedTime(shown);
    if (!stored)
        throw ServiceError::rule(
            QStringLiteral("'%1' %2").arg(shown.left(20), diffprice::diffPriceMessage("HORAINV")));
    return *stored;
}

QStringList listedProducts(const data::DataPacket &packet)
{
    if (packet.rows.empty())
        refuse("PRODINF");
    const int code = packet.indexOf(u"CDPRODUTO");
    if (code < 0)
        throw ServiceError::badRequest(
            QStringLiteral("O pacote de produtos de SetPrecDif não tem o campo CDPRODUTO."));
    QStringList codes;
    for (const data::Row &row : packet.rows) {
        const QString c = row.value(code).toString().trimmed();
        if (!c.isEmpty())
            codes << c;
    }
    if (codes.isEmpty())
        refuse("PRODINF");
    codes.removeDuplicates();
    return codes;
}

// The arguments in the window's order of checks; what needs the database is checked by the
// repository.
PrecDifRequest precDifRequest(const Arguments &a)
{
    PrecDifRequest r;
    r.mode = selectionMode(a);
    diffprice::DayBoxes boxes;
    for (int i = 0; i < diffprice::kDayBoxes; ++i)
        boxes[size_t(i)] = a.boolean(i);
    r.days = diffprice::dayCodes(boxes);
    if (r.days.isEmpty())
        refuse("DIAINF");

    r.increase = secondItem(a, 13);
    r.percentage = secondItem(a, 14);
    const std::optional<Decimal> amount = Decimal::fromDouble(a.number(23));
    if (!amount)
        throw ServiceError::badRequest(QStringLiteral("Valor inválido."));
    r.amount = *amount;
    if (const char *fault = diffprice::valueFault(r.percentage, r.amount))
        refuse(fault);
    r.timeFrom = storedTime(a.text(18), "HORINIINF");
    r.timeTo = storedTime(a.text(19), "HORFININF");
    if (const char *fault = diffprice::timeOrderFault(a.text(18), a.text(19)))
        refuse(fault);
    if (const char *fault = diffprice::percentFault(r.percentage, r.increase, r.amount))
        refuse(fault);

    r.table = Ajusta(a.text(15), 3);
    r.periodStart = a.date(22);
    r.validFrom = a.date(20);
    r.validTo = a.date(21);
    const QString consumer = Ajusta(a.text(26), 2);
    r.consumerType = consumer.isEmpty() ? QStringLiteral("T") : consumer;
    r.visualiza = !secondItem(a, 27);

    if (r.mode == Mode::Intervalo) {
        r.rangeStart = a.text(17).trimmed();
        r.rangeEnd = a.text(16).trimmed();
        if (r.rangeStart.isEmpty())
            refuse("PRODNINF");
        if (r.rangeEnd.isEmpty())
            refuse("PRODNFIM");
    } else if (r.mode == Mode::Lista) {
        r.products = listedProducts(a.packet(25));
    }
    return r;
}

} // namespace

void addDiffPriceMethods(Dispatcher &dispatcher, const Database &database)
{
    auto repo = std::make_shared<DiffPriceRepository>(database);

    dispatcher.add(QStringLiteral("SetPrecDif"), 28, [repo](const Arguments &a) {
        const qint64 written = repo->registerRules(precDifRequest(a));
        ValueArray refs(28);
        for (int byRef : {18, 19, 24, 26})
            refs[size_t(byRef)] = a.raw(byRef);
        return okReply(written, std::move(refs));
    });
    dispatcher.add(QStringLiteral("SQL_Pesquisa_ProdutoPDV"), 1, [repo](const Arguments &a) {
        const int level = levelCount(a.text(0));
        // The packet's rows are streamed; the text follows them.
        PacketQuery products = repo->productsOfLevel(level);
        data::DataPacket shape;
        shape.fields = products.fields;
        return CallResult(
            okReply(ValueArray{std::move(shape), DiffPriceRepository::productsOfLevelSql(level)},
                    {nullptr}),
            std::move(products));
    });
}

} // namespace vnd::server
