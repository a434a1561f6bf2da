#include "server/syntheticdata.h"

#include "pricing/decimal.h"
#include "server/bulkload.h"
#include "server/demodata.h"

#include <memory>
#include <stdexcept>
#include <string>

namespace vnd::server
{

namespace
{

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

// Tree: 100 products a family, 50 families a subgroup, 25 subgroups a group, so the nine
// groups the one-digit first level allows hold 1,125,000 products.
void writeProducts(BulkLoad &load, int products)
{
    RowWriter &product =
        load.writer("PRODUTO", "CDPRODUTO, NMPRODUTO, CDARVPROD, CDNVPRODUTO, CDBARPRODUTO");
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
    RowWriter &comp = load.writer("PRODCOMP", "CDPRODUTO, CDPRODCOMP, QUANTIDADE, IDIMPPRODROT");
    for (int i = 3; i < products; i += 20)
        for (int k = 1; k <= 3; ++k)
            comp.text(pad(i + 1, 10)).text(pad(i + 1 - k, 10)).real(k).text("S").run();
}

// Product i's price in table t, period p (from).
void writePrice(RowWriter &price, const char *table, const std::string &from, int i, int t, int p)
{
    const std::string code = pad(i + 1, 10);
    const double consumer = toCents(5 + (i % 400) * 0.25 + t + p * 0.5);
    price.text(table).text(from).text(code).text(code).real(consumer);
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
}

// Two day/hour rules of product i in a period (from, to); how many.
int writeRules(RowWriter &rule, const char *table, const std::string &from, const std::string &to,
               int i)
{
    const std::string code = pad(i + 1, 10);
    for (int r = 0; r < 2; ++r) {
        rule.text(table).text(from).text(code).text(code);
        rule.text(r == 0 ? "T" : "F").text(r == 0 ? "P" : "V");
        rule.text(r == 0 ? "D" : "A").text(r == 0 ? "1700" : "0000");
        rule.text(r == 0 ? "1900" : "2359").real(r == 0 ? 10 : 2);
        rule.text(from).text(to).text("T").text("S").text("N");
        rule.text("N").text("S").null().null().run();
    }
    return 2;
}

} // namespace

SyntheticSummary loadSyntheticData(const Database &database, int products, QDate today)
{
    if (products < 1 || products > kMaxSyntheticProducts)
        throw std::runtime_error("número de produtos fora do intervalo 1..1000000");
    requireEmptyCatalogue(database);
    const std::unique_ptr<BulkLoad> load = database.dialect() == Dialect::Sqlite
                                               ? openSqliteBulkLoad(database)
                                               : openPostgresBulkLoad(database);

    SyntheticSummary summary;
    summary.products = products;
    load->writer("CONFIGHOST", "CHAVE, VALOR").text("PICTURE_PRODUTO").text(kProductPicture).run();
    load->exec("INSERT INTO TIPOCONS (CDTIPOCONS, NMTIPOCONS) VALUES ('01', 'FUNCIONARIO'), "
               "('02', 'CLIENTE VIP'), ('03', 'ESTUDANTE')");
    load->exec("INSERT INTO FILIAL (CDFILIAL, NMFILIAL) VALUES ('0001', 'MATRIZ'), "
               "('0002', 'FILIAL 2'), ('0003', 'FILIAL 3'), ('0004', 'FILIAL 4')");
    load->exec("INSERT INTO TIPOCONSFILI (CDFILIAL, CDTIPOCONS) VALUES ('0001', '01'), "
               "('0002', '02'), ('0003', '03')");

    writeProducts(*load, products);

    load->exec("INSERT INTO TABEPRECGER (CDTABEPREC, NMTABEPREC) VALUES ('001', 'TABELA 1'), "
               "('002', 'TABELA 2'), ('003', 'TABELA 3')");
    load->exec("INSERT INTO TABEPRECFILI (CDFILIAL, CDTABEPREC) VALUES ('0001', '001'), "
               "('0002', '001'), ('0003', '003'), ('0004', '002')");
    RowWriter &period =
        load->writer("TABEVEND", "CDTABEPREC, DTINIVGPREC, DTFINVGPREC, IDSITVGPREC");
    RowWriter &price = load->writer(
        "ITEMPRECO", "CDTABEPREC, DTINIVGPREC, CDPRODUTO, CDPRPAITABPR, VRPRECITEM, "
                     "VRPRECITEMCMD, VRPRECITEMDLV, VRPRECITEMCL, IDPRECVARIA, VRPRESUGITEM, "
                     "VRCUSTITEM, VRMKUPITEM, IDPRODPROMOC, HRINIVENPROD, HRFIMVENPROD");
    RowWriter &rule = load->writer(
        "ITEMPRECODIA", "CDTABEPREC, DTINIVGPREC, CDPRPAITABPR, CDPRODUTO, NRDIASEMANPR, "
                        "IDPERVALORPR, IDDESCACREPR, HRINIPRECDIA, HRFINPRECDIA, VRPRECODIA, "
                        "DTINIVALPREC, DTFINVALPREC, CDTIPOCONSPD, IDVISUACUPOM, IDTPMODCMD, "
                        "IDTPMODDLV, IDTPMODGERAL, VRPRECODIACMD, VRPRECODIADLV");
    const char *tables[] = {"001", "002", "003"};
    const int offsets[][2] = {{-120, -31}, {-30, 30}, {31, 120}};
    const char *statuses[] = {"4", "3", "1"};
    for (int t = 0; t < 3; ++t) {
        for (int p = 0; p < 3; ++p) {
            const std::string from = iso(today.addDays(offsets[p][0]));
            const std::string to = iso(today.addDays(offsets[p][1]));
            period.text(tables[t]).text(from).text(to).text(statuses[p]).run();
            for (int i = 0; i < products; ++i) {
                writePrice(price, tables[t], from, i, t, p);
                ++summary.prices;
                if (p == 1 && i % 50 == 0)
                    summary.rules += writeRules(rule, tables[t], from, to, i);
            }
        }
    }
    load->commit();
    return summary;
}

} // namespace vnd::server
