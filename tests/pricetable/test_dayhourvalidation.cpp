#include "rulestestsupport.h"

#include "pricetable/dayhourvalidation.h"

#include <gtest/gtest.h>

using namespace rulestest;
using namespace vnd::pricetable;
using vnd::data::ClientDataSet;
using vnd::data::DataSetState;

namespace
{

const QVariant kNull;

QDateTime day(int d, int m = 12, int y = 2026)
{
    return QDateTime(QDate(y, m, d), QTime(0, 0));
}

CurrentItem item(bool withDelivery = true, bool withComanda = true)
{
    CurrentItem i = currentItemOf(*itemPreco());
    i.dlvEmpty = !withDelivery;
    i.cmdEmpty = !withComanda;
    return i;
}

QString msg(const char *key)
{
    return messages().msg(QString::fromLatin1(key));
}

// A new rule, valid unless the values say otherwise: Monday 12:00-14:00, 2.00 off the
// consumer price of 10.00, general modality only.
struct NewRule {
    std::unique_ptr<ClientDataSet> ds = precoHora({});
    int lookups = 0;
    QList<ModalidadeKey> duplicateChecks;
    bool duplicateExists = false;
    PrecoHoraContext ctx{messages(),
                         period(),
                         item(),
                         "VRPRECODIA",
                         {},
                         [this](const QString &code) -> std::optional<QString> {
                             ++lookups;
                             if (code == "01")
                                 return QStringLiteral("FUNCIONARIO");
                             return std::nullopt;
                         },
                         [this](const ModalidadeKey &k) {
                             duplicateChecks.append(k);
                             return duplicateExists;
                         }};

    explicit NewRule(const Values &values)
    {
        ds->beforePost = [this](ClientDataSet &d) { precoHoraBeforePost(d, ctx); };
        ds->append();
        set(*ds, {{"NRDIASEMANPR", "2"},
                  {"IDPERVALORPR", "V"},
                  {"IDDESCACREPR", "D"},
                  {"HRINIPRECDIA", "1200"},
                  {"HRFINPRECDIA", "1400"},
                  {"VRPRECODIA", 2.0},
                  {"IDTPMODGERAL", "S"},
                  {"IDTPMODDLV", "N"},
                  {"IDTPMODCMD", "N"}});
        set(*ds, values);
    }
    Outcome post()
    {
        return run(*ds, [this] { ds->post(); });
    }
};

} // namespace

TEST(PrecoHoraBeforePost, RulesInOrder)
{
    struct Case {
        const char *name;
        Values values;
        QString message; // "" when the rule is accepted
        const char *focus;
        CurrentItem item = ::item();
        const char *column = "VRPRECODIA";
        Values after = {};
    };
    const CurrentItem noDelivery = item(false), noComanda = item(true, false);
    // clang-format off
    const Case cases[] = {
        {"day first", {{"NRDIASEMANPR", kNull}, {"IDPERVALORPR", kNull}, {"HRINIPRECDIA", "9"}},
         msg("DIAINF"), "NRDIASEMANPR"},
        {"percentage/value", {{"IDPERVALORPR", kNull}}, msg("PERVALINF"), "IDPERVALORPR"},
        {"discount/increase", {{"IDDESCACREPR", kNull}}, msg("DESACRINF"), "IDDESCACREPR"},
        {"start time", {{"HRINIPRECDIA", "2460"}}, text("'24:60'Hora inválida."), "HRINIPRECDIA",
         item(), "VRPRECODIA", {{"HRINIPRECDIA", kNull}}},
        {"empty start time", {{"HRINIPRECDIA", kNull}}, text("':'Hora inválida."), "HRINIPRECDIA"},
        {"end time", {{"HRFINPRECDIA", "9999"}}, text("'99:99'Hora inválida."), "HRFINPRECDIA",
         item(), "VRPRECODIA", {{"HRFINPRECDIA", kNull}}},
        {"equal times", {{"HRFINPRECDIA", "1200"}}, "", ""},
        {"start after end", {{"HRINIPRECDIA", "1300"}, {"HRFINPRECDIA", "1200"}},
         msg("HORAMAIOR"), "HRINIPRECDIA"},
        {"price derived first", {{"VRPRECODIA", 2.5}}, "", "", item(), "VRPRECODIA",
         {{"PRECO", 7.5}}},
        {"calculation refuses", {{"IDPERVALORPR", "P"}, {"PRECO", 12.0}},
         msg("VRPRODDESC_MAIOR"), "PRECO", item(), "PRECO"},
        {"value not above 0", {{"VRPRECODIA", 0.0}}, msg("VALMAIOR"), "VRPRECODIA"},
        {"price not above 0", {{"VRPRECODIA", 10.0}}, msg("PRECMAI"), "VRPRECODIA"},
        {"just below twice the base", {{"IDDESCACREPR", "A"}, {"VRPRECODIA", 9.99}}, "", ""},
        {"twice the base", {{"IDDESCACREPR", "A"}, {"VRPRECODIA", 10.0}}, msg("ACREVAL"),
         "VRPRECODIA"},
        {"delivery without item price", {{"IDTPMODDLV", "S"}, {"VRPRECODIADLV", 0.0}},
         msg("PRECDLV_ZERO"), "", noDelivery},
        {"delivery value", {{"IDTPMODDLV", "S"}, {"VRPRECODIADLV", 0.0}}, msg("VALMAIOR"),
         "VRPRECODIADLV"},
        {"delivery price", {{"IDTPMODDLV", "S"}, {"VRPRECODIADLV", 12.0}}, msg("PRECMAI"),
         "VRPRECODIADLV"},
        {"comanda without item price", {{"IDTPMODCMD", "S"}, {"VRPRECODIACMD", 1.0}},
         msg("PRECCMD_ZERO"), "", noComanda},
        {"comanda at twice the base",
         {{"IDDESCACREPR", "A"}, {"IDTPMODCMD", "S"}, {"VRPRECODIACMD", 11.0}}, msg("ACREVAL"),
         "VRPRECODIACMD"},
        {"general first when on", {{"VRPRECODIA", 0.0}, {"IDTPMODDLV", "S"}}, msg("VALMAIOR"),
         "VRPRECODIA"},
        {"general last when off", {{"IDTPMODGERAL", "N"}, {"VRPRECODIA", 0.0}, {"IDTPMODDLV", "S"}},
         msg("VALMAIOR"), "VRPRECODIADLV"},
        {"general binds when off",
         {{"IDTPMODGERAL", "N"}, {"IDTPMODDLV", "S"}, {"VRPRECODIADLV", 2.0}}, msg("PRECMAI"),
         "VRPRECODIA", item(), "VRPRECODIA", {{"PRECODLV", 10.0}}},
        {"dates from the period", {}, "", "", item(), "VRPRECODIA",
         {{"DTINIVALPREC", day(1)}, {"DTFINVALPREC", day(31)}, {"IDVISUACUPOM", "N"}}},
        {"end missing", {{"DTINIVALPREC", day(5)}}, msg("DtFinInf"), "DTFINVALPREC"},
        {"start missing", {{"DTFINVALPREC", day(5)}}, msg("DtIniInf"), "DTINIVALPREC"},
        {"start before the period", {{"DTINIVALPREC", day(30, 11)}, {"DTFINVALPREC", day(5)}},
         msg("DtIniValDevDt"), "DTINIVALPREC"},
        {"one-day validity", {{"DTINIVALPREC", day(15)}, {"DTFINVALPREC", day(15)}}, "", ""},
        {"start after end date", {{"DTINIVALPREC", day(16)}, {"DTFINVALPREC", day(15)}},
         msg("DtFinValDev"), "DTFINVALPREC"},
        {"end after the period", {{"DTINIVALPREC", day(16)}, {"DTFINVALPREC", day(1, 1, 2027)}},
         msg("DtFinValDevDt"), "DTFINVALPREC"},
        {"unknown consumer type", {{"CDTIPOCONSPD", "99"}}, msg("TpConsNCad"), "CDTIPOCONSPD"},
        {"consumer type completed", {{"CDTIPOCONSPD", "1"}}, "", "", item(), "VRPRECODIA",
         {{"CDTIPOCONSPD", "01"}, {"NMTIPOCONS", "FUNCIONARIO"}}},
        {"identity completed", {}, "", "", item(), "VRPRECODIA",
         {{"CDTABEPREC", "001"}, {"DTINIVGPREC", day(1)}, {"CDPRODUTO", "0000000101"},
          {"CDPRPAITABPR", "0000000101"}, {"CDTIPOCONSPD", "T"}, {"NMTIPOCONS", "Todos"}}},
    };
    // clang-format on
    for (const Case &c : cases) {
        NewRule rule(c.values);
        rule.ctx.item = c.item;
        rule.ctx.selectedField = QString::fromLatin1(c.column);
        const Outcome out = rule.post();
        EXPECT_EQ(out.message, c.message) << c.name;
        EXPECT_EQ(out.focus, QString::fromLatin1(c.focus)) << c.name;
        EXPECT_EQ(rule.ds->state(),
                  c.message.isEmpty() ? DataSetState::Browse : DataSetState::Insert)
            << c.name;
        for (auto it = c.after.begin(); it != c.after.end(); ++it)
            EXPECT_EQ(rule.ds->fieldByName(it.key()).value(), it.value())
                << c.name << ": " << it.key().toStdString();
    }
}

TEST(PrecoHoraBeforePost, ConsumerTypeLookupOnlyForRealCodes)
{
    const std::pair<QVariant, int> cases[] = {{kNull, 0}, {"T", 0}, {" 1", 1}, {"99", 1}};
    for (const auto &[code, lookups] : cases) {
        NewRule rule({{"CDTIPOCONSPD", code}});
        rule.post();
        EXPECT_EQ(rule.lookups, lookups) << code.toString().toStdString();
    }
}

TEST(PrecoHoraBeforePost, DuplicateCheckMadeOrSkipped)
{
    // A new rule is always checked, and a duplicate refuses it.
    NewRule fresh({{"DTINIVALPREC", day(5)}, {"DTFINVALPREC", day(9)}});
    fresh.duplicateExists = true;
    EXPECT_EQ(fresh.post().message, msg("PRECDIF_JA"));
    ASSERT_EQ(fresh.duplicateChecks.size(), 1);
    EXPECT_EQ(fresh.duplicateChecks[0],
              (ModalidadeKey{"001", QDate(2026, 12, 1), "0000000101", "0000000101", "T", "2",
                             "1200", "1400", QDate(2026, 12, 5)}));

    // A stale edit key never spares a new rule the check.
    NewRule stale({});
    stale.ctx.stChavePrecoDia = QStringLiteral("001") + "01/12/2026" + "0000000101" + "0000000101" +
                                "T" + "2" + "1200" + "1400" + "01/12/2026";
    stale.post();
    EXPECT_EQ(stale.duplicateChecks.size(), 1);

    struct Case {
        const char *name;
        Values edits;
        int checks;
    };
    const Case cases[] = {
        {"value only", {{"VRPRECODIA", 3.0}}, 0},
        {"validity start", {{"DTINIVALPREC", day(2)}}, 1},
    };
    for (const Case &c : cases) {
        NewRule edited({});
        auto saved = precoHora({{{"DTINIVALPREC", day(1)}, {"DTFINVALPREC", day(31)}}});
        edited.ds = std::move(saved);
        edited.ds->beforePost = [&](ClientDataSet &d) { precoHoraBeforePost(d, edited.ctx); };
        edited.ds->edit();
        edited.ctx.stChavePrecoDia = precoDiaChave(*edited.ds);
        set(*edited.ds, c.edits);
        const Outcome out = edited.post();
        EXPECT_FALSE(out.refused) << c.name << ": " << out.message.toStdString();
        EXPECT_EQ(edited.duplicateChecks.size(), c.checks) << c.name;
    }
}
