#include "server/demodata.h"

#include "pricing/decimal.h"
#include "server/democatalogue.h"
#include "server/sqlstatement.h"
#include "server/unitofwork.h"

#include <QHash>

#include <stdexcept>
#include <vector>

namespace vnd::server
{

const char *const kProductPicture = "9.99.999.9999";

namespace
{

using namespace demo;

QString iso(QDate d)
{
    return d.toString(Qt::ISODate);
}

QVariant nothing()
{
    return QVariant();
}

using pricing::Decimal;

Decimal dec(double value)
{
    return Decimal::clampedFromDouble(value);
}

// A price times a factor, cut to cents (or to `decimals` places for a step on the way).
Decimal times(Decimal price, double factor, int decimals = 2)
{
    return Decimal::mulDiv(price, dec(factor), 1, decimals, pricing::Rounding::TowardZero);
}

// The sellable products (the tree's deepest level), in catalogue order.
struct Sellable {
    QString code;
    const Family *family;
    int index;
};

struct Products {
    std::vector<Sellable> sellable;
    QHash<QString, QString> codeByName; // sellable name -> CDPRODUTO
};

// The product tree: codes are the picture's digit groups without literals.
Products insertProducts(const QSqlDatabase &db)
{
    SqlStatement product(db, QStringLiteral("INSERT INTO PRODUTO (CDPRODUTO, NMPRODUTO, "
                                            "CDARVPROD, CDNVPRODUTO, CDBARPRODUTO) "
                                            "VALUES (?, ?, ?, ?, ?)"));
    Products out;
    QHash<QString, QString> groupCodes; // path -> tree code
    int nextProduct = 1;
    auto addGroup = [&](const QString &path, const QString &parentTree, int width,
                        const QString &name, int level) {
        if (groupCodes.contains(path))
            return groupCodes.value(path);
        int siblings = 0;
        for (auto it = groupCodes.cbegin(); it != groupCodes.cend(); ++it)
            if (it.value().size() == parentTree.size() + width && it.value().startsWith(parentTree))
                ++siblings;
        const QString tree =
            parentTree + QStringLiteral("%1").arg(siblings + 1, width, 10, QLatin1Char('0'));
        groupCodes.insert(path, tree);
        product.bind(QStringLiteral("G") + tree).bind(name.toUpper()).bind(tree).bind(level);
        product.bind(nothing()).exec();
        return tree;
    };
    for (const Family &f : catalogue()) {
        const QString g = QString::fromUtf8(f.group), s = QString::fromUtf8(f.subgroup),
                      n = QString::fromUtf8(f.name);
        const QString t1 = addGroup(g, QString(), 1, g, 1);
        const QString t2 = addGroup(g + u'/' + s, t1, 2, s, 2);
        const QString t3 = addGroup(g + u'/' + s + u'/' + n, t2, 3, n, 3);
        int i = 0;
        for (const char *name : f.products) {
            const QString code = QStringLiteral("%1").arg(nextProduct, 10, 10, QLatin1Char('0'));
            const QString tree = t3 + QStringLiteral("%1").arg(i + 1, 4, 10, QLatin1Char('0'));
            const QVariant barCode =
                nextProduct % 5 == 0
                    ? QVariant()
                    : QVariant(QStringLiteral("789%1").arg(1000000000 + nextProduct * 7919, 10, 10,
                                                           QLatin1Char('0')));
            product.bind(code).bind(QString::fromUtf8(name).toUpper()).bind(tree).bind(4);
            product.bind(barCode).exec();
            out.codeByName.insert(QString::fromUtf8(name), code);
            out.sellable.push_back({code, &f, i});
            ++nextProduct;
            ++i;
        }
    }
    return out;
}

void insertCompositions(const QSqlDatabase &db, const Products &products)
{
    SqlStatement comp(db, QStringLiteral("INSERT INTO PRODCOMP (CDPRODUTO, CDPRODCOMP, "
                                         "QUANTIDADE, IDIMPPRODROT) VALUES (?, ?, ?, ?)"));
    for (const Combo &c : combos())
        for (const Component &part : c.components)
            comp.bind(products.codeByName.value(QString::fromUtf8(c.name)))
                .bind(products.codeByName.value(QString::fromUtf8(part.name)))
                .bind(part.quantity)
                .bind(QString::fromLatin1(part.print))
                .exec();
}

void insertBranchesAndConsumerTypes(const QSqlDatabase &db)
{
    SqlStatement(db, QStringLiteral("INSERT INTO TIPOCONS (CDTIPOCONS, NMTIPOCONS) VALUES "
                                    "('01', 'FUNCIONARIO'), ('02', 'CLIENTE VIP'), "
                                    "('03', 'ESTUDANTE'), ('04', 'CONVENIO EMPRESA'), "
                                    "('05', 'IDOSO')"))
        .exec();
    SqlStatement(
        db, QStringLiteral("INSERT INTO FILIAL (CDFILIAL, NMFILIAL, NMCIDADE, SGESTADO) VALUES "
                           "('0001', 'MATRIZ CENTRO', 'São Paulo', 'SP'), "
                           "('0002', 'FILIAL AVENIDA PAULISTA', 'São Paulo', 'SP'), "
                           "('0003', 'FILIAL SHOPPING NORTE', 'São Paulo', 'SP'), "
                           "('0004', 'FILIAL CAMPINAS', 'Campinas', 'SP')"))
        .exec();
    SqlStatement(db, QStringLiteral("INSERT INTO TIPOCONSFILI (CDFILIAL, CDTIPOCONS) VALUES "
                                    "('0001', '01'), ('0001', '02'), ('0001', '04'), "
                                    "('0002', '01'), ('0002', '03'), ('0002', '05'), "
                                    "('0003', '01'), ('0003', '02'), ('0003', '03'), "
                                    "('0004', '01'), ('0004', '04')"))
        .exec();
}

// The price tables, their periods and the items' prices in each period that has prices; the
// number of prices.
int insertPrices(const QSqlDatabase &db, QDate today, const Products &products)
{
    int count = 0;
    SqlStatement table(db, QStringLiteral("INSERT INTO TABEPRECGER (CDTABEPREC, NMTABEPREC) "
                                          "VALUES (?, ?)"));
    SqlStatement period(db, QStringLiteral("INSERT INTO TABEVEND (CDTABEPREC, DTINIVGPREC, "
                                           "DTFINVGPREC, VRREAJUSTE, DTREAJUSTE, IDSITVGPREC) "
                                           "VALUES (?, ?, ?, ?, ?, ?)"));
    SqlStatement price(
        db, QStringLiteral("INSERT INTO ITEMPRECO (CDTABEPREC, DTINIVGPREC, CDPRODUTO, "
                           "CDPRPAITABPR, VRPRECITEM, VRPRECITEMCMD, VRPRECITEMDLV, "
                           "VRPRECITEMCL, IDPRECVARIA, VRPRESUGITEM, VRCUSTITEM, VRMKUPITEM, "
                           "IDPRODPROMOC, HRINIVENPROD, HRFIMVENPROD) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));

    for (const TableDef &t : tableDefs()) {
        table.bind(QString::fromLatin1(t.code)).bind(QString::fromLatin1(t.name)).exec();
        for (const Period &p : t.periods) {
            const QDate from = today.addDays(p.from), to = today.addDays(p.to);
            const bool past = p.to < 0;
            period.bind(QString::fromLatin1(t.code)).bind(iso(from)).bind(iso(to));
            period.bind(past ? QVariant(3.5) : nothing())
                .bind(past ? QVariant(iso(from.addDays(-5))) : nothing());
            period.bind(*p.status ? QVariant(QString::fromLatin1(p.status)) : nothing()).exec();
            if (p.factor == 0)
                continue; // a period still without prices
            int n = 0;
            for (const Sellable &s : products.sellable) {
                ++n;
                if (n % 11 == 0)
                    continue; // not priced in this table yet
                const double base = s.family->basePrice + s.family->step * s.index;
                const Decimal consumer = times(times(dec(base), t.factor, 4), p.factor);
                const bool combo = QString::fromUtf8(s.family->group) == QLatin1String("Combos");
                const QVariant delivery =
                    (QLatin1String(t.code) == QLatin1String("002") || n % 4 != 0)
                        ? QVariant(times(consumer, 1.1).toDouble())
                        : nothing();
                const QVariant orderPad = n % 6 == 0 ? nothing() : QVariant(consumer.toDouble());
                const double client = n % 9 == 0 ? 1.0 : 0.0;
                // A few items cost more than they sell for, to show up in red.
                const Decimal cost = times(consumer, n % 23 == 0 ? 1.15 : 0.42);
                const Decimal markup = Decimal::mulDiv(consumer - cost, 100, cost, 2,
                                                       pricing::Rounding::HalfAwayFromZero);
                const QString window = QString::fromLatin1(s.family->window);
                price.bind(QString::fromLatin1(t.code)).bind(iso(from)).bind(s.code).bind(s.code);
                price.bind(consumer.toDouble()).bind(orderPad).bind(delivery).bind(client);
                price.bind(QString::fromLatin1(n % 13 == 0 ? "S" : "N"))
                    .bind(times(consumer, 1.05).toDouble())
                    .bind(cost.toDouble())
                    .bind(markup.toDouble());
                price.bind(QString::fromLatin1(n % 10 == 0 || (combo && n % 2) ? "S" : "N"));
                price.bind(window.isEmpty() ? nothing() : QVariant(window.left(4)))
                    .bind(window.isEmpty() ? nothing() : QVariant(window.mid(4)))
                    .exec();
                ++count;
            }
            // Components priced differently inside their combos, in the current period.
            if (p.from <= 0 && p.to >= 0) {
                for (const Combo &c : combos()) {
                    const QString parent = products.codeByName.value(QString::fromUtf8(c.name));
                    int k = 0;
                    for (const Component &part : c.components) {
                        if (k++ % 2)
                            continue;
                        const double v = 3.00 + k;
                        price.bind(QString::fromLatin1(t.code)).bind(iso(from));
                        price.bind(products.codeByName.value(QString::fromUtf8(part.name)))
                            .bind(parent);
                        price.bind(v).bind(v).bind(nothing()).bind(0.0).bind(QStringLiteral("N"));
                        price.bind(v).bind(times(dec(v), 0.5).toDouble()).bind(100.0);
                        price.bind(QStringLiteral("N")).bind(nothing()).bind(nothing()).exec();
                        ++count;
                    }
                }
            }
        }
    }
    return count;
}

// Day/hour rules in the current period of each table, on priced products; the number of rules.
int insertDayHourRules(const QSqlDatabase &db, QDate today, const Products &products)
{
    int count = 0;
    SqlStatement rule(
        db, QStringLiteral("INSERT INTO ITEMPRECODIA (CDTABEPREC, DTINIVGPREC, CDPRPAITABPR, "
                           "CDPRODUTO, NRDIASEMANPR, IDPERVALORPR, IDDESCACREPR, "
                           "HRINIPRECDIA, HRFINPRECDIA, VRPRECODIA, DTINIVALPREC, "
                           "DTFINVALPREC, CDTIPOCONSPD, IDVISUACUPOM, IDTPMODCMD, IDTPMODDLV, "
                           "IDTPMODGERAL, VRPRECODIACMD, VRPRECODIADLV) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    struct RuleDef {
        const char *product;
        const char *day;
        const char *percentOrValue;
        const char *discountOrRaise;
        const char *from;
        const char *to;
        double value;
        const char *consumer;
        const char *general, *delivery, *orderPad;
        double deliveryValue, orderPadValue;
    };
    const RuleDef rules[] = {
        {"Chope Claro 300ml", "2", "P", "D", "1700", "1900", 30, "T", "S", "N", "S", 0, 30},
        {"Chope Claro 300ml", "6", "P", "D", "1700", "1900", 30, "T", "S", "N", "S", 0, 30},
        {"Cerveja Pilsen Long Neck", "T", "V", "D", "1700", "1900", 2.00, "T", "S", "N", "N", 0, 0},
        {"Feijoada Completa", "4", "P", "D", "1100", "1500", 10, "T", "S", "S", "N", 10, 0},
        {"Feijoada Completa", "7", "P", "D", "1100", "1500", 10, "T", "S", "S", "N", 10, 0},
        {"Picanha na Chapa", "F", "V", "A", "0000", "2359", 5.00, "T", "S", "N", "N", 0, 0},
        {"Picanha na Chapa", "V", "V", "A", "1800", "2359", 3.00, "T", "S", "N", "N", 0, 0},
        {"Pudim de Leite", "T", "P", "D", "1400", "1700", 15, "T", "S", "N", "N", 0, 0},
        {"X-Burguer", "3", "P", "D", "0000", "2359", 20, "03", "S", "N", "N", 0, 0},
        {"X-Salada", "1", "V", "D", "1800", "2300", 4.00, "T", "S", "S", "S", 4.00, 4.00},
        {"Prato Feito de Frango Grelhado", "T", "P", "D", "1100", "1500", 30, "01", "S", "N", "N",
         0, 0},
        {"Café Expresso", "T", "P", "D", "0600", "0900", 50, "01", "S", "N", "N", 0, 0},
        {"Cappuccino", "1", "P", "A", "1500", "1800", 10, "T", "S", "N", "N", 0, 0},
        {"Combo Família Porções", "1", "V", "D", "1100", "1700", 10.00, "T", "S", "S", "N", 8.00,
         0},
    };
    for (const TableDef &t : tableDefs()) {
        const Period *current = nullptr;
        for (const Period &p : t.periods)
            if (p.from <= 0 && p.to >= 0)
                current = &p;
        if (!current)
            continue;
        const QDate from = today.addDays(current->from), to = today.addDays(current->to);
        for (const RuleDef &r : rules) {
            const QString code = products.codeByName.value(QString::fromUtf8(r.product));
            SqlStatement priced(db,
                                QStringLiteral("SELECT VRPRECITEMDLV, VRPRECITEMCMD FROM ITEMPRECO "
                                               "WHERE CDTABEPREC = ? AND DTINIVGPREC = ? AND "
                                               "CDPRODUTO = ? AND CDPRPAITABPR = ?"));
            priced.bind(QString::fromLatin1(t.code)).bind(iso(from)).bind(code).bind(code).exec();
            if (!priced.next())
                continue;
            // A modality only applies where the item has a price for it.
            const bool dlv = *r.delivery == 'S' && !priced.value(0).isNull();
            const bool cmd = *r.orderPad == 'S' && !priced.value(1).isNull();
            rule.bind(QString::fromLatin1(t.code)).bind(iso(from)).bind(code).bind(code);
            rule.bind(QString::fromLatin1(r.day))
                .bind(QString::fromLatin1(r.percentOrValue))
                .bind(QString::fromLatin1(r.discountOrRaise));
            rule.bind(QString::fromLatin1(r.from)).bind(QString::fromLatin1(r.to)).bind(r.value);
            rule.bind(iso(from)).bind(iso(to)).bind(QString::fromLatin1(r.consumer));
            rule.bind(QStringLiteral("S"))
                .bind(QString::fromLatin1(cmd ? "S" : "N"))
                .bind(QString::fromLatin1(dlv ? "S" : "N"))
                .bind(QString::fromLatin1(r.general));
            rule.bind(cmd ? QVariant(r.orderPadValue) : nothing())
                .bind(dlv ? QVariant(r.deliveryValue) : nothing())
                .exec();
            ++count;
        }
    }
    return count;
}

} // namespace

void requireEmptyCatalogue(const Database &database)
{
    SqlStatement q(database.connection(), QStringLiteral("SELECT (SELECT COUNT(*) FROM PRODUTO) + "
                                                         "(SELECT COUNT(*) FROM TABEPRECGER)"));
    q.exec();
    if (q.next() && q.value(0).toLongLong() > 0)
        throw std::runtime_error("o banco de dados já contém produtos ou tabelas de preço; "
                                 "os dados de demonstração só são carregados num banco vazio");
}

DemoSummary loadDemoData(const Database &database, QDate today)
{
    requireEmptyCatalogue(database);
    UnitOfWork work(database);
    const QSqlDatabase db = work.db();
    SqlStatement(db, QStringLiteral("INSERT INTO CONFIGHOST (CHAVE, VALOR) VALUES (?, ?)"))
        .bind(QStringLiteral("PICTURE_PRODUTO"))
        .bind(QString::fromLatin1(kProductPicture))
        .exec();
    const Products products = insertProducts(db);
    insertCompositions(db, products);
    insertBranchesAndConsumerTypes(db);
    DemoSummary summary;
    summary.products = int(products.sellable.size());
    summary.prices = insertPrices(db, today, products);
    summary.rules = insertDayHourRules(db, today, products);
    SqlStatement(db, QStringLiteral("INSERT INTO TABEPRECFILI (CDFILIAL, CDTABEPREC) VALUES "
                                    "('0001', '001'), ('0002', '001'), ('0003', '003'), "
                                    "('0004', '002')"))
        .exec();
    work.commit();
    return summary;
}

} // namespace vnd::server
