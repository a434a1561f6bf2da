#include "server/syntheticdata.h"

#include "pricing/decimal.h"
#include "server/demodata.h"

#include <sqlite3.h>

#include <QByteArray>

#include <memory>
#include <stdexcept>
#include <string>

namespace vnd::server
{

namespace
{

struct DbCloser {
    void operator()(sqlite3 *db) const { sqlite3_close(db); }
};
struct StmtFinalizer {
    void operator()(sqlite3_stmt *s) const { sqlite3_finalize(s); }
};
using DbHandle = std::unique_ptr<sqlite3, DbCloser>;
using StmtHandle = std::unique_ptr<sqlite3_stmt, StmtFinalizer>;

void check(sqlite3 *db, int rc)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error(sqlite3_errmsg(db));
}

void exec(sqlite3 *db, const char *sql)
{
    check(db, sqlite3_exec(db, sql, nullptr, nullptr, nullptr));
}

// A prepared INSERT run row by row; values bound by position from 1.
class Insert
{
public:
    Insert(sqlite3 *db, const char *sql) : m_db(db)
    {
        sqlite3_stmt *s = nullptr;
        check(db, sqlite3_prepare_v2(db, sql, -1, &s, nullptr));
        m_stmt.reset(s);
    }
    Insert &text(const std::string &v)
    {
        check(m_db,
              sqlite3_bind_text(m_stmt.get(), ++m_i, v.data(), int(v.size()), SQLITE_TRANSIENT));
        return *this;
    }
    Insert &real(double v)
    {
        check(m_db, sqlite3_bind_double(m_stmt.get(), ++m_i, v));
        return *this;
    }
    Insert &integer(qint64 v)
    {
        check(m_db, sqlite3_bind_int64(m_stmt.get(), ++m_i, v));
        return *this;
    }
    Insert &null()
    {
        check(m_db, sqlite3_bind_null(m_stmt.get(), ++m_i));
        return *this;
    }
    void run()
    {
        check(m_db, sqlite3_step(m_stmt.get()));
        sqlite3_reset(m_stmt.get());
        m_i = 0;
    }

private:
    sqlite3 *m_db;
    StmtHandle m_stmt;
    int m_i = 0;
};

std::string pad(qint64 n, int width)
{
    std::string s = std::to_string(n);
    return std::string(size_t(std::max(0, width - int(s.size()))), '0') + s;
}

std::string iso(QDate d)
{
    return d.toString(Qt::ISODate).toStdString();
}

// A generated price: the decimal it stands for, rounded to cents.
double toCents(double x)
{
    return RoundDec(pricing::Decimal::clampedFromDouble(x), 2).toDouble();
}

} // namespace

SyntheticSummary loadSyntheticData(const Database &database, int products, QDate today)
{
    if (database.dialect() != Dialect::Sqlite)
        throw std::runtime_error("--synthetic só é suportado com SQLite");
    if (products < 1 || products > kMaxSyntheticProducts)
        throw std::runtime_error("número de produtos fora do intervalo 1..1000000");
    requireEmptyCatalogue(database);

    sqlite3 *raw = nullptr;
    const QByteArray path = database.sqlitePath().toUtf8();
    if (sqlite3_open_v2(path.constData(), &raw, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        const std::string message = raw ? sqlite3_errmsg(raw) : "cannot open";
        sqlite3_close(raw);
        throw std::runtime_error(message);
    }
    DbHandle db(raw);
    sqlite3_busy_timeout(raw, 10000);
    exec(raw, "PRAGMA foreign_keys = ON");
    exec(raw, "BEGIN IMMEDIATE");
    // Rolls back on every exit but the commit below.
    struct Rollback {
        sqlite3 *db;
        bool done = false;
        ~Rollback()
        {
            if (!done)
                sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
    } rollback{raw};

    SyntheticSummary summary;
    summary.products = products;
    {
        Insert cfg(raw, "INSERT INTO CONFIGHOST (CHAVE, VALOR) VALUES ('PICTURE_PRODUTO', ?)");
        cfg.text(kProductPicture).run();
    }
    exec(raw, "INSERT INTO TIPOCONS (CDTIPOCONS, NMTIPOCONS) VALUES ('01', 'FUNCIONARIO'), "
              "('02', 'CLIENTE VIP'), ('03', 'ESTUDANTE')");
    exec(raw, "INSERT INTO FILIAL (CDFILIAL, NMFILIAL) VALUES ('0001', 'MATRIZ'), "
              "('0002', 'FILIAL 2'), ('0003', 'FILIAL 3'), ('0004', 'FILIAL 4')");
    exec(raw, "INSERT INTO TIPOCONSFILI (CDFILIAL, CDTIPOCONS) VALUES ('0001', '01'), "
              "('0002', '02'), ('0003', '03')");

    // Tree: 100 products a family, 50 families a subgroup, 25 subgroups a group, so the nine
    // groups the one-digit first level allows hold 1,125,000 products.
    Insert product(raw, "INSERT INTO PRODUTO (CDPRODUTO, NMPRODUTO, CDARVPROD, CDNVPRODUTO, "
                        "CDBARPRODUTO) VALUES (?, ?, ?, ?, ?)");
    std::string last1, last2, last3;
    for (int i = 0; i < products; ++i) {
        const int family = i / 100;
        const int subgroup = family / 50;
        const std::string t1 = pad(subgroup / 25 + 1, 1);
        const std::string t2 = t1 + pad(subgroup % 25 + 1, 2);
        const std::string t3 = t2 + pad(family % 50 + 1, 3);
        const std::string t4 = t3 + pad(i % 100 + 1, 4);
        if (t1 != last1)
            product.text("G" + t1).text("GRUPO " + t1).text(t1).integer(1).null().run();
        if (t2 != last2)
            product.text("G" + t2).text("SUBGRUPO " + t2).text(t2).integer(2).null().run();
        if (t3 != last3)
            product.text("G" + t3).text("FAMILIA " + t3).text(t3).integer(3).null().run();
        last1 = t1, last2 = t2, last3 = t3;
        product.text(pad(i + 1, 10)).text("PRODUTO SINTETICO " + pad(i + 1, 6)).text(t4);
        product.integer(4).text("789" + pad(qint64(i) * 7919 % 1000000000, 10)).run();
    }
    // One product in twenty is a combo of the three products before it.
    Insert comp(raw, "INSERT INTO PRODCOMP (CDPRODUTO, CDPRODCOMP, QUANTIDADE, IDIMPPRODROT) "
                     "VALUES (?, ?, ?, ?)");
    for (int i = 3; i < products; i += 20)
        for (int k = 1; k <= 3; ++k)
            comp.text(pad(i + 1, 10)).text(pad(i + 1 - k, 10)).real(k).text("S").run();

    exec(raw, "INSERT INTO TABEPRECGER (CDTABEPREC, NMTABEPREC) VALUES ('001', 'TABELA 1'), "
              "('002', 'TABELA 2'), ('003', 'TABELA 3')");
    exec(raw, "INSERT INTO TABEPRECFILI (CDFILIAL, CDTABEPREC) VALUES ('0001', '001'), "
              "('0002', '001'), ('0003', '003'), ('0004', '002')");
    Insert period(raw, "INSERT INTO TABEVEND (CDTABEPREC, DTINIVGPREC, DTFINVGPREC, "
                       "IDSITVGPREC) VALUES (?, ?, ?, ?)");
    Insert price(raw, "INSERT INTO ITEMPRECO (CDTABEPREC, DTINIVGPREC, CDPRODUTO, "
                      "CDPRPAITABPR, VRPRECITEM, VRPRECITEMCMD, VRPRECITEMDLV, VRPRECITEMCL, "
                      "IDPRECVARIA, VRPRESUGITEM, VRCUSTITEM, VRMKUPITEM, IDPRODPROMOC, "
                      "HRINIVENPROD, HRFIMVENPROD) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                      "?, ?, ?)");
    Insert rule(raw, "INSERT INTO ITEMPRECODIA (CDTABEPREC, DTINIVGPREC, CDPRPAITABPR, "
                     "CDPRODUTO, NRDIASEMANPR, IDPERVALORPR, IDDESCACREPR, HRINIPRECDIA, "
                     "HRFINPRECDIA, VRPRECODIA, DTINIVALPREC, DTFINVALPREC, CDTIPOCONSPD, "
                     "IDVISUACUPOM, IDTPMODCMD, IDTPMODDLV, IDTPMODGERAL, VRPRECODIACMD, "
                     "VRPRECODIADLV) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                     "?, ?)");
    const char *tables[] = {"001", "002", "003"};
    const int offsets[][2] = {{-120, -31}, {-30, 30}, {31, 120}};
    const char *statuses[] = {"4", "3", "1"};
    for (int t = 0; t < 3; ++t) {
        for (int p = 0; p < 3; ++p) {
            const QDate from = today.addDays(offsets[p][0]), to = today.addDays(offsets[p][1]);
            period.text(tables[t]).text(iso(from)).text(iso(to)).text(statuses[p]).run();
            for (int i = 0; i < products; ++i) {
                const std::string code = pad(i + 1, 10);
                const double consumer = toCents(5 + (i % 400) * 0.25 + t + p * 0.5);
                price.text(tables[t]).text(iso(from)).text(code).text(code).real(consumer);
                if (i % 6 == 0)
                    price.null();
                else
                    price.real(consumer);
                if (i % 4 == 0)
                    price.null();
                else
                    price.real(toCents(consumer * 1.1));
                price.real(i % 9 == 0 ? 1.0 : 0.0).text(i % 13 == 0 ? "S" : "N");
                price.real(toCents(consumer * 1.05)).real(toCents(consumer * 0.42)).real(138.1);
                price.text(i % 10 == 0 ? "S" : "N");
                if (i % 7 == 0)
                    price.text("1100").text("1500");
                else
                    price.null().null();
                price.run();
                ++summary.prices;
                if (p == 1 && i % 50 == 0) {
                    for (int r = 0; r < 2; ++r) {
                        rule.text(tables[t]).text(iso(from)).text(code).text(code);
                        rule.text(r == 0 ? "T" : "F").text(r == 0 ? "P" : "V");
                        rule.text(r == 0 ? "D" : "A").text(r == 0 ? "1700" : "0000");
                        rule.text(r == 0 ? "1900" : "2359").real(r == 0 ? 10 : 2);
                        rule.text(iso(from)).text(iso(to)).text("T").text("S").text("N");
                        rule.text("N").text("S").null().null().run();
                        ++summary.rules;
                    }
                }
            }
        }
    }
    exec(raw, "COMMIT");
    rollback.done = true;
    return summary;
}

} // namespace vnd::server
