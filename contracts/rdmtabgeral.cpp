#include "contracts/rdmtabgeral.h"

#include "host/net/netconnection.h"

#include <QScopeGuard>

namespace vnd::contracts
{

using data::ChangeSet;
using data::Reply;
using data::Value;

namespace
{

Value dateValue(const QDate &d)
{
    return d.isValid() ? Value(d) : Value();
}

// A by-reference text comes back in the reply's refs; keep the caller's value otherwise.
void readBack(const Reply &reply, size_t index, QString &target)
{
    if (reply.ok && index < reply.refs.size() && reply.refs[index].kind() == Value::Kind::String)
        target = reply.refs[index].toString();
}

// The first arguments, all by reference, in order.
void readBack(const Reply &reply, std::initializer_list<QString *> targets)
{
    size_t index = 0;
    for (QString *t : targets)
        readBack(reply, index++, *t);
}

} // namespace

Reply RdmTabGeral::call(const char *method, data::ValueArray args)
{
    const QString name = QString::fromLatin1(method);
    return m_conn.call(m_preview ? name + QStringLiteral("Previa") : name, args);
}

Reply RdmTabGeral::previewOf(const std::function<Reply()> &calls)
{
    m_preview = true;
    const auto back = qScopeGuard([this] { m_preview = false; });
    return calls();
}

Reply RdmTabGeral::getTabGeral()
{
    return call("getTabGeral", {});
}

Reply RdmTabGeral::getVdTabGeral(const QString &table)
{
    return call("getVdTabGeral", {table});
}

Reply RdmTabGeral::setTabGeral(const ChangeSet &delta)
{
    return call("setTabGeral", {delta});
}

Reply RdmTabGeral::getVigenciaTab(const QString &table)
{
    return call("getVigenciaTab", {table});
}

Reply RdmTabGeral::getVdPeriodo(const QString &table, const QDate &start, const QDate &end)
{
    return call("getVdPeriodo", {table, dateValue(start), dateValue(end)});
}

Reply RdmTabGeral::GetMaxDtFinVg(const QString &table)
{
    return call("GetMaxDtFinVg", {table});
}

Reply RdmTabGeral::setVigenciaTab(const ChangeSet &delta)
{
    return call("setVigenciaTab", {delta});
}

Reply RdmTabGeral::getFilTab(const QString &table)
{
    return call("getFilTab", {table});
}

Reply RdmTabGeral::getVdFilTab(const QString &table, const QString &branch)
{
    return call("getVdFilTab", {table, branch});
}

Reply RdmTabGeral::getFilOutTab(const QString &branch, const QString &table)
{
    return call("getFilOutTab", {branch, table});
}

Reply RdmTabGeral::setFilTab(const ChangeSet &delta)
{
    return call("setFilTab", {delta});
}

Reply RdmTabGeral::getItemPreco(const QString &table, const QDate &periodStart,
                                const QString &levels, QString &product, QString &mark)
{
    Reply r = call("getItemPreco", {table, dateValue(periodStart), levels, product, mark});
    readBack(r, 3, product);
    readBack(r, 4, mark);
    return r;
}

Reply RdmTabGeral::SetItemPreco(const ChangeSet &delta, QString &emptyFields)
{
    Reply r = call("SetItemPreco", {delta, emptyFields});
    readBack(r, 1, emptyFields);
    return r;
}

Reply RdmTabGeral::setApagaPreco(const QString &table, const QString &periodStartText,
                                 const QString &product, const QString &parentProduct)
{
    return call("setApagaPreco", {table, periodStartText, product, parentProduct});
}

Reply RdmTabGeral::getItemPrecoComp(const QString &table, const QString &product,
                                    const QDate &periodStart)
{
    return call("getItemPrecoComp", {table, product, dateValue(periodStart)});
}

Reply RdmTabGeral::getHistItemPreco(const QString &table, const QDate &periodStart,
                                    const QString &product, const QString &parentProduct)
{
    return call("getHistItemPreco", {table, dateValue(periodStart), product, parentProduct});
}

Reply RdmTabGeral::getItemPrecoEm(const QString &table, const QDate &periodStart,
                                  const QString &product, const QString &parentProduct,
                                  const QDateTime &at)
{
    return call("getItemPrecoEm", {table, dateValue(periodStart), product, parentProduct, at});
}

Reply RdmTabGeral::GetPrecoHoraEm(const QString &table, const QDate &periodStart,
                                  const QString &product, const QString &parentProduct,
                                  const QDateTime &at)
{
    return call("GetPrecoHoraEm", {table, dateValue(periodStart), product, parentProduct, at});
}

Reply RdmTabGeral::getHistAlteracoes(const QDateTime &from, const QDateTime &to,
                                     const QString &user, const QString &method,
                                     const QString &table, const QString &product, qint64 below,
                                     int pageSize)
{
    const auto moment = [](const QDateTime &t) { return t.isValid() ? Value(t) : Value(); };
    return call("getHistAlteracoes",
                {moment(from), moment(to), user, method, table, product, below, pageSize});
}

Reply RdmTabGeral::GetPrecoHora(const QString &table, const QDate &periodStart)
{
    return call("GetPrecoHora", {table, dateValue(periodStart)});
}

std::unique_ptr<net::TNetConnection::Pending>
RdmTabGeral::startGetPrecoHora(const QString &table, const QDate &periodStart)
{
    return m_conn.start(QStringLiteral("GetPrecoHora"), {table, dateValue(periodStart)});
}

Reply RdmTabGeral::SetPrecoHora(const ChangeSet &delta)
{
    return call("SetPrecoHora", {delta});
}

Reply RdmTabGeral::getVdModalidade(const QString &table, const QDate &periodStart,
                                   const QString &product, const QString &parentProduct,
                                   const QString &consumerType, const QString &day,
                                   const QString &startTime, const QString &endTime,
                                   const QDate &validFrom)
{
    return call("getVdModalidade", {table, dateValue(periodStart), product, parentProduct,
                                    consumerType, day, startTime, endTime, dateValue(validFrom)});
}

Reply RdmTabGeral::getExpProduto(const QString &origin)
{
    return call("getExpProduto", {origin});
}

Reply RdmTabGeral::SetImportaPreco(const QString &table, const QDate &periodStart,
                                   const ChangeSet &rows, const QString &fileName)
{
    return call("SetImportaPreco", {table, dateValue(periodStart), rows, fileName});
}

Reply RdmTabGeral::setConfirmar(const QString &destination, const QString &name,
                                const QString &origin, QString &list, QString &mode)
{
    Reply r = call("setConfirmar", {destination, name, origin, list, mode});
    readBack(r, 3, list);
    readBack(r, 4, mode);
    return r;
}

Reply RdmTabGeral::SetPrecDif(const PrecDifArgs &a)
{
    data::ValueArray args;
    args.reserve(28);
    for (bool day : a.days)
        args.emplace_back(day);
    for (bool mode : {a.lista, a.todos, a.intervalo})
        args.emplace_back(mode);
    args.insert(args.end(),
                {a.desAcr, a.valPer, a.table, a.rangeEnd, a.rangeStart, a.timeFrom, a.timeTo,
                 dateValue(a.validFrom), dateValue(a.validTo), dateValue(a.periodStart), a.amount,
                 a.list, a.products, a.consumerType, a.visualiza});
    return call("SetPrecDif", std::move(args));
}

Reply RdmTabGeral::SQL_Pesquisa_ProdutoPDV(const QString &levels)
{
    return call("SQL_Pesquisa_ProdutoPDV", {levels});
}

Reply RdmTabGeral::GetAutItemPreco(const QString &table, const QDate &periodStart)
{
    return call("GetAutItemPreco", {table, dateValue(periodStart)});
}

Reply RdmTabGeral::GetProdValid(const QString &table, const QDate &periodStart, const QString &code)
{
    return call("GetProdValid", {table, dateValue(periodStart), code});
}

Reply RdmTabGeral::prefixCall(const char *method, QString &prefix, QString &start, QString &end,
                              QString &list, QString &all)
{
    Reply r = call(method, {prefix, start, end, list, all});
    readBack(r, {&prefix, &start, &end, &list, &all});
    return r;
}

Reply RdmTabGeral::SetAddPrefixo(QString &prefix, QString &start, QString &end, QString &list,
                                 QString &all)
{
    return prefixCall("SetAddPrefixo", prefix, start, end, list, all);
}

Reply RdmTabGeral::SetDelPrefixo(QString &prefix, QString &start, QString &end, QString &list,
                                 QString &all)
{
    return prefixCall("SetDelPrefixo", prefix, start, end, list, all);
}

Reply RdmTabGeral::SetUpdItemPrecoAlt(QString &flag, QString &start, QString &end, QString &list,
                                      QString &all, const Value &products, bool listMode,
                                      const QString &table, const QDate &periodStart)
{
    Reply r = call("SetUpdItemPrecoAlt", {flag, start, end, list, all, products, listMode, table,
                                          dateValue(periodStart)});
    readBack(r, {&flag, &start, &end, &list, &all});
    return r;
}

} // namespace vnd::contracts
