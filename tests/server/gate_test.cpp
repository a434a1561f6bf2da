// Every write needs a live session whose role may make it: without a token, with an ended one
// and with a role below the method's, it is refused with a Portuguese message and the database
// is left exactly as it was. The same call with the demo manager's session then writes, so the
// arguments were ones that would have changed something.

#include "server/sqlstatement.h"
#include "serverfixture.h"

#include <functional>

namespace vnd::server::test
{
namespace
{

using data::Row;
using data::Value;
using data::ValueArray;

const char *const kTables[] = {"TABEPRECGER", "TABEVEND",     "FILIAL",    "TABEPRECFILI",
                               "PRODUTO",     "PRODCOMP",     "TIPOCONS",  "TIPOCONSFILI",
                               "ITEMPRECO",   "ITEMPRECODIA", "CONFIGHOST"};

class GateTest : public ServerFixture
{
protected:
    void SetUp() override
    {
        ServerFixture::SetUp();
        const auto periods = packet(QStringLiteral("getVigenciaTab"), {"001"});
        m_start = currentPeriodStart(periods, today());
        for (const Row &r : periods.rows)
            if (r[1].toDate() == m_start)
                m_end = r[2].toDate();
        ASSERT_TRUE(m_end.isValid());
    }

    // Every row of every table of the catalogue, in key order, as text.
    QString dump() const
    {
        QString out;
        for (const char *table : kTables) {
            SqlStatement q(database().connection(),
                           QStringLiteral("SELECT * FROM %1").arg(QLatin1String(table)));
            q.exec();
            QStringList rows;
            while (q.next()) {
                QStringList values;
                for (int i = 0; i < q.columnCount(); ++i)
                    values << (q.value(i).isNull() ? QStringLiteral("-") : q.value(i).toString());
                rows << values.join(u'|');
            }
            rows.sort();
            out += QLatin1String(table) + u'\n' + rows.join(u'\n') + u'\n';
        }
        return out;
    }

    // A change set over a packet with one change.
    ValueArray changeOf(const data::DataPacket &p, data::Change change) const
    {
        data::ChangeSet cs = changeSetFor(p);
        cs.changes.push_back(std::move(change));
        return {cs};
    }

    ValueArray itemPriceRaised() const
    {
        const auto items = pricedItems();
        Row after = items.rows[0];
        const int price = items.indexOf(u"VRPRECITEM");
        after[price] = after[price].toDouble() + 1;
        ValueArray args = changeOf(items, modify(items.rows[0], after));
        args.push_back(QString());
        return args;
    }
    data::DataPacket pricedItems() const
    {
        data::DataPacket items =
            packet(QStringLiteral("getItemPreco"), {"001", m_start, "4", "", "T"});
        std::erase_if(items.rows.rows(),
                      [&](const Row &r) { return r[items.indexOf(u"VRPRECITEM")].isNull(); });
        return items;
    }
    ValueArray diffPriceRule() const
    {
        // Sundays, the products of a range of codes, 1.50 off.
        return {false,
                false,
                false,
                true,
                false,
                false,
                false,
                false,
                false,
                false,
                false,
                false,
                true,
                0,
                0,
                "001",
                "1010010003",
                "1010010001",
                "00:01",
                "23:59",
                m_start,
                m_end,
                m_start,
                1.5,
                QString(),
                data::DataPacket{},
                "T",
                1};
    }

    QDate m_start, m_end;
};

TEST_F(GateTest, EveryWriteIsRefusedWithoutASessionItsRoleAllowsAndWritesNothing)
{
    const std::string consulta = openSession(QStringLiteral("consulta"));
    const std::string precos = openSession(QStringLiteral("precos"));
    const std::string ended = openSession(QStringLiteral("gerente"));
    ASSERT_EQ(callAs(ended, QStringLiteral("Sair"), {}).status, 200);

    const struct {
        const char *method;
        std::function<ValueArray()> args;
        std::vector<const std::string *> below; // roles that may not
    } cases[] = {
        {"setTabGeral",
         [&] {
             return changeOf(packet(QStringLiteral("getTabGeral"), {}), insert({"777", "NOVA"}));
         },
         {&consulta, &precos}},
        {"setVigenciaTab",
         [&] {
             return changeOf(packet(QStringLiteral("getVigenciaTab"), {"002"}),
                             insert({"002", today().addDays(400), today().addDays(410), QVariant(),
                                     QVariant(), "1"}));
         },
         {&consulta, &precos}},
        {"setFilTab",
         [&] {
             const auto links = packet(QStringLiteral("getFilTab"), {"001"});
             return changeOf(links, remove(links.rows.at(0)));
         },
         {&consulta, &precos}},
        {"SetItemPreco", [&] { return itemPriceRaised(); }, {&consulta}},
        {"setApagaPreco",
         [&] {
             const auto items = pricedItems();
             const QString product = items.rows.at(0)[items.indexOf(u"CDPRODUTO")].toString();
             return ValueArray{"001", m_start.toString(Qt::ISODate), product, product};
         },
         {&consulta}},
        {"SetPrecoHora",
         [&] {
             const auto rules = packet(QStringLiteral("GetPrecoHora"), {"001", m_start});
             return changeOf(rules, remove(rules.rows.at(0)));
         },
         {&consulta}},
        {"setConfirmar",
         [] {
             return ValueArray{"888", "COPIA", "001", "", "T"};
         },
         {&consulta, &precos}},
        {"SetAddPrefixo",
         [] {
             return ValueArray{"PROMO ", "", "", "", "T"};
         },
         {&consulta, &precos}},
        {"SetDelPrefixo",
         [] {
             return ValueArray{"PROMO ", "", "", "", "T"};
         },
         {&consulta, &precos}},
        {"SetUpdItemPrecoAlt",
         [&] { return ValueArray{"S", "", "", "", "T", nullptr, false, "001", m_start}; },
         {&consulta, &precos}},
        {"SetPrecDif", [&] { return diffPriceRule(); }, {&consulta, &precos}},
    };
    for (const auto &c : cases) {
        const QString method = QString::fromLatin1(c.method);
        SCOPED_TRACE(c.method);
        const ValueArray args = c.args();
        const QString before = dump();
        const auto refused = [&](const std::string &token, int status, const char *message) {
            const Answer a = callAs(token, method, args);
            EXPECT_EQ(a.status, status) << (token.empty() ? "no token" : token);
            EXPECT_EQ(a.reply.errorMessage, QString::fromUtf8(message));
            EXPECT_EQ(dump(), before);
        };
        refused({}, 401, "Sessão não iniciada: entre com seu usuário e senha.");
        refused(ended, 401, "Sua sessão terminou. Entre novamente com seu usuário e senha.");
        refused("x", 401, "Sua sessão terminou. Entre novamente com seu usuário e senha.");
        for (const std::string *role : c.below)
            refused(*role, 403,
                    role == &consulta ? "O perfil Consulta não permite esta operação."
                                      : "O perfil Preços não permite esta operação.");
        const Answer allowed = call(method, args);
        EXPECT_EQ(allowed.status, 200) << qPrintable(allowed.reply.errorMessage);
        EXPECT_NE(dump(), before) << "the call would have written nothing";
    }
    EXPECT_EQ(log().filter(QStringLiteral(" 403 forbidden: usuário consulta")).size(), 11);
}

// Reads are open to every role, the users' list to administrators only.
TEST_F(GateTest, ReadsAreForEveryRoleAndTheUsersForAdministrators)
{
    for (const char *login : {"consulta", "precos", "gerente", "admin"}) {
        const std::string token = openSession(QString::fromLatin1(login));
        EXPECT_EQ(
            callAs(token, QStringLiteral("getItemPreco"), {"001", m_start, "4", "", "T"}).status,
            200)
            << login;
        const Answer users = callAs(token, QStringLiteral("getUsuarios"), {});
        EXPECT_EQ(users.status, std::string(login) == "admin" ? 200 : 403) << login;
        if (users.status == 200) {
            EXPECT_EQ(users.reply.result.packet().rows.size(), 4u);
        }
    }
    // An unknown method is not found, whoever asks, once signed in.
    EXPECT_EQ(call(QStringLiteral("naoExiste"), {}).status, 404);
    EXPECT_EQ(callAs({}, QStringLiteral("naoExiste"), {}).status, 401);
}

} // namespace
} // namespace vnd::server::test
