#include "server/demodata.h"

#include "pricing/decimal.h"
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

struct Family {
    const char *group;    // level 1
    const char *subgroup; // level 2
    const char *name;     // level 3
    double basePrice;
    double step;
    const char *window; // sales window "HHMMHHMM" or empty
    std::vector<const char *> products;
};

const std::vector<Family> &catalogue()
{
    static const std::vector<Family> families = {
        {"Bebidas",
         "Refrigerantes",
         "Latas 350ml",
         6.00,
         0.00,
         "",
         {"Refrigerante Cola Lata 350ml", "Refrigerante Cola Zero Lata 350ml",
          "Refrigerante Guaraná Lata 350ml", "Refrigerante Laranja Lata 350ml",
          "Refrigerante Limão Lata 350ml", "Soda Limonada Lata 350ml", "Água Tônica Lata 350ml"}},
        {"Bebidas",
         "Refrigerantes",
         "Garrafas",
         8.50,
         3.25,
         "",
         {"Refrigerante Cola 600ml", "Refrigerante Guaraná 600ml", "Refrigerante Cola 2L",
          "Refrigerante Guaraná 2L"}},
        {"Bebidas",
         "Sucos",
         "Sucos Naturais",
         9.00,
         0.50,
         "",
         {"Suco de Laranja 300ml", "Suco de Limão 300ml", "Suco de Abacaxi com Hortelã",
          "Suco de Maracujá 300ml", "Suco de Acerola 300ml", "Suco de Caju 300ml",
          "Suco de Morango 300ml", "Suco de Melancia 300ml"}},
        {"Bebidas",
         "Sucos",
         "Vitaminas e Açaí",
         12.00,
         4.00,
         "",
         {"Vitamina de Banana", "Vitamina de Mamão", "Açaí na Tigela 300ml",
          "Açaí na Tigela 500ml"}},
        {"Bebidas",
         "Cervejas",
         "Long Neck",
         11.00,
         1.50,
         "11002359",
         {"Cerveja Pilsen Long Neck", "Cerveja Puro Malte Long Neck", "Cerveja IPA Long Neck",
          "Cerveja Sem Álcool Long Neck"}},
        {"Bebidas",
         "Cervejas",
         "Chope",
         9.90,
         4.00,
         "11002359",
         {"Chope Claro 300ml", "Chope Claro 500ml", "Chope Escuro 300ml"}},
        {"Bebidas",
         "Cafés",
         "Cafés e Chás",
         5.50,
         1.00,
         "06001800",
         {"Café Expresso", "Café Expresso Duplo", "Café com Leite", "Cappuccino", "Pingado",
          "Chocolate Quente", "Chá Mate Gelado"}},
        {"Bebidas",
         "Águas",
         "Águas",
         4.50,
         1.50,
         "",
         {"Água Mineral sem Gás 500ml", "Água Mineral com Gás 500ml", "Água de Coco 300ml"}},
        {"Bebidas",
         "Drinks",
         "Caipirinhas e Drinks",
         22.00,
         3.00,
         "17002359",
         {"Caipirinha de Limão", "Caipirinha de Morango", "Caipiroska de Maracujá",
          "Batida de Coco", "Gin Tônica"}},
        {"Lanches",
         "Hambúrgueres",
         "Artesanais",
         24.90,
         3.00,
         "",
         {"X-Burguer", "X-Salada", "X-Bacon", "X-Egg", "X-Tudo", "X-Frango",
          "Hambúrguer Vegetariano", "Duplo Cheddar"}},
        {"Lanches",
         "Sanduíches",
         "Sanduíches",
         14.00,
         2.50,
         "",
         {"Misto Quente", "Bauru", "Americano", "Sanduíche Natural de Frango", "Beirute de Filé",
          "Cachorro-Quente Simples", "Cachorro-Quente Completo"}},
        {"Lanches",
         "Salgados",
         "Salgados",
         7.50,
         0.50,
         "",
         {"Coxinha de Frango", "Pastel de Carne", "Pastel de Queijo", "Pastel de Palmito",
          "Esfiha de Carne", "Esfiha de Queijo", "Quibe Frito", "Enroladinho de Salsicha",
          "Pão de Queijo (porção)", "Empada de Frango"}},
        {"Lanches",
         "Porções",
         "Porções",
         29.90,
         4.00,
         "",
         {"Batata Frita Pequena", "Batata Frita Grande", "Batata com Cheddar e Bacon",
          "Mandioca Frita", "Calabresa Acebolada", "Frango a Passarinho", "Isca de Peixe",
          "Polenta Frita", "Anéis de Cebola"}},
        {"Lanches",
         "Tapiocas e Crepes",
         "Tapiocas e Crepes",
         16.00,
         2.00,
         "",
         {"Tapioca de Queijo Coalho", "Tapioca de Frango com Requeijão", "Tapioca de Carne Seca",
          "Crepe de Frango", "Crepe de Chocolate"}},
        {"Pratos",
         "Pratos Executivos",
         "Executivos",
         32.90,
         3.00,
         "11001500",
         {"Prato Feito de Frango Grelhado", "Prato Feito de Bife Acebolado",
          "Prato Feito de Picanha", "Prato Feito de Peixe", "Feijoada Completa",
          "Strogonoff de Frango", "Strogonoff de Carne", "Virado à Paulista",
          "Parmegiana de Frango", "Parmegiana de Carne", "Moqueca de Peixe"}},
        {"Pratos",
         "Massas",
         "Massas",
         36.00,
         3.50,
         "",
         {"Espaguete à Bolonhesa", "Espaguete ao Alho e Óleo", "Lasanha à Bolonhesa",
          "Lasanha de Frango", "Nhoque ao Sugo", "Ravioli de Queijo", "Talharim ao Molho Branco"}},
        {"Pratos",
         "Grelhados",
         "Grelhados",
         54.90,
         6.00,
         "",
         {"Picanha na Chapa", "Contra-Filé Grelhado", "Filé de Frango Grelhado", "Salmão Grelhado",
          "Costela Assada", "Linguiça Toscana"}},
        {"Pratos",
         "Saladas",
         "Saladas",
         26.00,
         2.00,
         "",
         {"Salada Caesar", "Salada Tropical", "Salada Caprese", "Salada de Grão-de-Bico"}},
        {"Pratos",
         "Acompanhamentos",
         "Acompanhamentos",
         8.00,
         1.00,
         "",
         {"Arroz Branco", "Feijão Carioca", "Farofa da Casa", "Vinagrete", "Purê de Batata",
          "Legumes no Vapor"}},
        {"Sobremesas",
         "Doces",
         "Doces",
         9.90,
         1.00,
         "",
         {"Pudim de Leite", "Mousse de Maracujá", "Brigadeiro de Colher", "Quindim",
          "Brownie com Sorvete", "Pavê de Chocolate", "Romeu e Julieta", "Petit Gâteau",
          "Cocada Cremosa", "Açaí com Granola"}},
        {"Sobremesas",
         "Sorvetes",
         "Sorvetes",
         8.00,
         2.00,
         "",
         {"Sorvete 1 Bola", "Sorvete 2 Bolas", "Sundae de Chocolate", "Milk-shake de Morango",
          "Milk-shake de Chocolate", "Picolé de Frutas"}},
        {"Sobremesas",
         "Tortas e Bolos",
         "Tortas e Bolos",
         12.50,
         1.00,
         "",
         {"Torta de Limão", "Torta Holandesa", "Cheesecake de Frutas Vermelhas",
          "Bolo de Cenoura com Chocolate", "Bolo de Fubá"}},
        {"Combos",
         "Combos Lanche",
         "Combos Lanche",
         34.90,
         3.00,
         "",
         {"Combo X-Burguer", "Combo X-Salada", "Combo X-Bacon", "Combo Cachorro-Quente",
          "Combo Infantil", "Combo Vegetariano"}},
        {"Combos",
         "Combos Refeição",
         "Combos Refeição",
         42.90,
         12.00,
         "",
         {"Combo Executivo Frango", "Combo Executivo Carne", "Combo Família Porções",
          "Combo Happy Hour"}},
    };
    return families;
}

// Combo -> components with quantities; IDIMPPRODROT 'S' prints the component on the
// kitchen ticket.
struct Component {
    const char *name;
    double quantity;
    const char *print;
};
struct Combo {
    const char *name;
    std::vector<Component> components;
};

const std::vector<Combo> &combos()
{
    static const std::vector<Combo> list = {
        {"Combo X-Burguer",
         {{"X-Burguer", 1, "S"},
          {"Batata Frita Pequena", 1, "S"},
          {"Refrigerante Cola Lata 350ml", 1, "N"}}},
        {"Combo X-Salada",
         {{"X-Salada", 1, "S"},
          {"Batata Frita Pequena", 1, "S"},
          {"Refrigerante Guaraná Lata 350ml", 1, "N"}}},
        {"Combo X-Bacon",
         {{"X-Bacon", 1, "S"},
          {"Batata Frita Pequena", 1, "S"},
          {"Refrigerante Cola Lata 350ml", 1, "N"}}},
        {"Combo Cachorro-Quente",
         {{"Cachorro-Quente Completo", 2, "S"}, {"Refrigerante Cola 600ml", 1, "N"}}},
        {"Combo Infantil",
         {{"X-Burguer", 1, "S"}, {"Suco de Laranja 300ml", 1, "S"}, {"Sorvete 1 Bola", 1, "S"}}},
        {"Combo Vegetariano",
         {{"Hambúrguer Vegetariano", 1, "S"},
          {"Salada Tropical", 1, "S"},
          {"Suco de Abacaxi com Hortelã", 1, "S"}}},
        {"Combo Executivo Frango",
         {{"Prato Feito de Frango Grelhado", 1, "S"},
          {"Suco de Laranja 300ml", 1, "S"},
          {"Pudim de Leite", 1, "S"}}},
        {"Combo Executivo Carne",
         {{"Prato Feito de Bife Acebolado", 1, "S"},
          {"Refrigerante Cola Lata 350ml", 1, "N"},
          {"Mousse de Maracujá", 1, "S"}}},
        {"Combo Família Porções",
         {{"Batata Frita Grande", 1, "S"},
          {"Calabresa Acebolada", 1, "S"},
          {"Frango a Passarinho", 1, "S"},
          {"Refrigerante Cola 2L", 1, "N"}}},
        {"Combo Happy Hour",
         {{"Chope Claro 300ml", 4, "N"}, {"Isca de Peixe", 1, "S"}, {"Mandioca Frita", 1, "S"}}},
    };
    return list;
}

struct Period {
    int from; // days from today
    int to;
    const char *status;
    double factor;
};

struct TableDef {
    const char *code;
    const char *name;
    double factor;
    std::vector<Period> periods;
};

const std::vector<TableDef> &tableDefs()
{
    static const std::vector<TableDef> list = {
        {"001",
         "TABELA PADRAO",
         1.00,
         {{-120, -31, "4", 0.95}, {-30, 30, "3", 1.0}, {31, 120, "1", 1.05}}},
        {"002",
         "TABELA DELIVERY",
         1.10,
         {{-90, -15, "3", 0.95}, {-14, 45, "2", 1.0}, {46, 180, "2", 1.07}}},
        {"003",
         "TABELA SHOPPING",
         1.20,
         {{-60, -1, "4", 0.96}, {0, 59, "4", 1.0}, {60, 89, "1", 1.04}, {150, 180, "", 0.0}}},
    };
    return list;
}

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
    DemoSummary summary;
    UnitOfWork work(database);
    const QSqlDatabase db = work.db();

    SqlStatement(db, QStringLiteral("INSERT INTO CONFIGHOST (CHAVE, VALOR) VALUES (?, ?)"))
        .bind(QStringLiteral("PICTURE_PRODUTO"))
        .bind(QString::fromLatin1(kProductPicture))
        .exec();

    // Product tree: codes are the picture's digit groups without literals.
    SqlStatement product(db, QStringLiteral("INSERT INTO PRODUTO (CDPRODUTO, NMPRODUTO, "
                                            "CDARVPROD, CDNVPRODUTO, CDBARPRODUTO) "
                                            "VALUES (?, ?, ?, ?, ?)"));
    QHash<QString, QString> groupCodes; // path -> tree code
    QHash<QString, QString> codeByName; // sellable name -> CDPRODUTO
    struct Sellable {
        QString code;
        const Family *family;
        int index;
    };
    std::vector<Sellable> sellable;
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
            codeByName.insert(QString::fromUtf8(name), code);
            sellable.push_back({code, &f, i});
            ++nextProduct;
            ++i;
        }
    }
    summary.products = int(sellable.size());

    SqlStatement comp(db, QStringLiteral("INSERT INTO PRODCOMP (CDPRODUTO, CDPRODCOMP, "
                                         "QUANTIDADE, IDIMPPRODROT) VALUES (?, ?, ?, ?)"));
    for (const Combo &c : combos())
        for (const Component &part : c.components)
            comp.bind(codeByName.value(QString::fromUtf8(c.name)))
                .bind(codeByName.value(QString::fromUtf8(part.name)))
                .bind(part.quantity)
                .bind(QString::fromLatin1(part.print))
                .exec();

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
    SqlStatement rule(
        db, QStringLiteral("INSERT INTO ITEMPRECODIA (CDTABEPREC, DTINIVGPREC, CDPRPAITABPR, "
                           "CDPRODUTO, NRDIASEMANPR, IDPERVALORPR, IDDESCACREPR, "
                           "HRINIPRECDIA, HRFINPRECDIA, VRPRECODIA, DTINIVALPREC, "
                           "DTFINVALPREC, CDTIPOCONSPD, IDVISUACUPOM, IDTPMODCMD, IDTPMODDLV, "
                           "IDTPMODGERAL, VRPRECODIACMD, VRPRECODIADLV) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));

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
            for (const Sellable &s : sellable) {
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
                ++summary.prices;
            }
            // Components priced differently inside their combos, in the current period.
            if (p.from <= 0 && p.to >= 0) {
                for (const Combo &c : combos()) {
                    const QString parent = codeByName.value(QString::fromUtf8(c.name));
                    int k = 0;
                    for (const Component &part : c.components) {
                        if (k++ % 2)
                            continue;
                        const double v = 3.00 + k;
                        price.bind(QString::fromLatin1(t.code)).bind(iso(from));
                        price.bind(codeByName.value(QString::fromUtf8(part.name))).bind(parent);
                        price.bind(v).bind(v).bind(nothing()).bind(0.0).bind(QStringLiteral("N"));
                        price.bind(v).bind(times(dec(v), 0.5).toDouble()).bind(100.0);
                        price.bind(QStringLiteral("N")).bind(nothing()).bind(nothing()).exec();
                        ++summary.prices;
                    }
                }
            }
        }
    }

    // Day/hour rules in the current period of each table, on priced products.
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
            const QString code = codeByName.value(QString::fromUtf8(r.product));
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
            ++summary.rules;
        }
    }

    SqlStatement(db, QStringLiteral("INSERT INTO TABEPRECFILI (CDFILIAL, CDTABEPREC) VALUES "
                                    "('0001', '001'), ('0002', '001'), ('0003', '003'), "
                                    "('0004', '002')"))
        .exec();
    work.commit();
    return summary;
}

} // namespace vnd::server
