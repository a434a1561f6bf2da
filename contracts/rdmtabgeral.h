#pragma once
// The application server's remote data module "vnd42700.rdmTabGeral", one typed method per
// server method, arguments in the server's order. By-reference texts are written back from
// the reply. Every method returns the raw reply: callers pass it through CheckResultServ.

#include "host/net/netconnection.h"
#include "wire/value.h"

#include <QDate>
#include <QDateTime>
#include <QString>

#include <array>
#include <functional>

namespace vnd::net
{
class TNetConnection;
}

namespace vnd::contracts
{

// The values of SetPrecDif, in the server's order (1-based positions).
struct PrecDifArgs {
    // 1-10: Todos os Dias, Véspera de Feriado, Feriado, Domingo, Segunda ... Sábado.
    std::array<bool, 10> days{};
    bool lista = false, todos = false, intervalo = false; // 11-13
    int desAcr = 0;                                       // 14: 0 discount, 1 increase
    int valPer = 0;                                       // 15: 0 value, 1 percentage
    QString table;                                        // 16
    QString rangeEnd, rangeStart;                         // 17, 18: end first
    QString timeFrom, timeTo;                             // 19, 20: "HH:MM", by reference
    QDate validFrom, validTo, periodStart;                // 21-23
    double amount = 0;                                    // 24
    QString list;                                         // 25: by reference
    data::DataPacket products;                            // 26: CDPRODUTO rows
    QString consumerType;                                 // 27: "T" or a code, by reference
    int visualiza = 1;                                    // 28: 0 "Sim", 1 "Não"
};

class RdmTabGeral
{
public:
    explicit RdmTabGeral(net::TNetConnection &connection) : m_conn(connection) {}

    // Price tables and periods.
    data::Reply getTabGeral();
    data::Reply getVdTabGeral(const QString &table);
    data::Reply setTabGeral(const data::ChangeSet &delta);
    data::Reply getVigenciaTab(const QString &table);
    data::Reply getVdPeriodo(const QString &table, const QDate &start, const QDate &end);
    data::Reply GetMaxDtFinVg(const QString &table);
    data::Reply setVigenciaTab(const data::ChangeSet &delta);

    // Branches.
    data::Reply getFilTab(const QString &table);
    data::Reply getVdFilTab(const QString &table, const QString &branch);
    data::Reply getFilOutTab(const QString &branch, const QString &table);
    data::Reply setFilTab(const data::ChangeSet &delta);

    // Item prices and compositions.
    data::Reply getItemPreco(const QString &table, const QDate &periodStart, const QString &levels,
                             QString &product, QString &mark);
    data::Reply SetItemPreco(const data::ChangeSet &delta, QString &emptyFields);
    data::Reply setApagaPreco(const QString &table, const QString &periodStartText,
                              const QString &product, const QString &parentProduct);
    data::Reply getItemPrecoComp(const QString &table, const QString &product,
                                 const QDate &periodStart);
    // The spreadsheet import's changed rows, all or nothing, recorded with the file's name.
    // Result: rows written. A conflict answer names in errorRows the products changed by
    // another user.
    data::Reply SetImportaPreco(const QString &table, const QDate &periodStart,
                                const data::ChangeSet &rows, const QString &fileName);

    // Day/hour prices.
    data::Reply GetPrecoHora(const QString &table, const QDate &periodStart);
    data::Reply SetPrecoHora(const data::ChangeSet &delta);
    data::Reply getVdModalidade(const QString &table, const QDate &periodStart,
                                const QString &product, const QString &parentProduct,
                                const QString &consumerType, const QString &day,
                                const QString &startTime, const QString &endTime,
                                const QDate &validFrom);

    // Price table export.
    data::Reply getExpProduto(const QString &origin);
    // mode: "T" all products, "L" the codes of the list text. Result: item price rows copied.
    data::Reply setConfirmar(const QString &destination, const QString &name, const QString &origin,
                             QString &list, QString &mode);

    // Differentiated prices. Result: the number of day/hour rules written.
    data::Reply SetPrecDif(const PrecDifArgs &args);
    // An array: the packet of the products of the deepest level, and the SELECT that lists them.
    data::Reply SQL_Pesquisa_ProdutoPDV(const QString &levels);
    // Automatic promotion. A selection is the all-products flag "T", else the list text (the
    // flag call: listMode and the CDPRODUTO of the products packet), else the range of tree
    // codes. Results: rows or names changed.
    data::Reply GetAutItemPreco(const QString &table, const QDate &periodStart);
    data::Reply GetProdValid(const QString &table, const QDate &periodStart, const QString &code);
    data::Reply SetAddPrefixo(QString &prefix, QString &start, QString &end, QString &list,
                              QString &all);
    data::Reply SetDelPrefixo(QString &prefix, QString &start, QString &end, QString &list,
                              QString &all);
    data::Reply SetUpdItemPrecoAlt(QString &flag, QString &start, QString &end, QString &list,
                                   QString &all, const data::Value &products, bool listMode,
                                   const QString &table, const QDate &periodStart);

    // Runs `calls` (calls of this object's bulk methods) as their previews, the methods named
    // with "Previa": the server runs the same code and writes nothing. Each answer's result
    // is [the method's result, counts packet, first rows packet].
    data::Reply previewOf(const std::function<data::Reply()> &calls);

    // The change record: an item's history, the item as it stood at a moment (its price row,
    // its day/hour rules), and a page of the lines in a range (null times: open).
    data::Reply getHistItemPreco(const QString &table, const QDate &periodStart,
                                 const QString &product, const QString &parentProduct);
    data::Reply getItemPrecoEm(const QString &table, const QDate &periodStart,
                               const QString &product, const QString &parentProduct,
                               const QDateTime &at);
    data::Reply GetPrecoHoraEm(const QString &table, const QDate &periodStart,
                               const QString &product, const QString &parentProduct,
                               const QDateTime &at);
    data::Reply getHistAlteracoes(const QDateTime &from, const QDateTime &to, const QString &user,
                                  const QString &method, const QString &table,
                                  const QString &product, qint64 below, int pageSize);

    net::TNetConnection &connection() { return m_conn; }
    // GetPrecoHora answered on a second connection while the caller loads something else.
    std::unique_ptr<net::TNetConnection::Pending> startGetPrecoHora(const QString &table,
                                                                    const QDate &periodStart);

private:
    data::Reply call(const char *method, data::ValueArray args);
    data::Reply prefixCall(const char *method, QString &prefix, QString &start, QString &end,
                           QString &list, QString &all);

    net::TNetConnection &m_conn;
    bool m_preview = false;
};

} // namespace vnd::contracts
