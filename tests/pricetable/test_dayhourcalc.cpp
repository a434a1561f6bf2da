#include "rulestestsupport.h"

#include "pricetable/dayhourcalc.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace rulestest;
using namespace vnd::pricetable;
using vnd::data::DataSetState;

namespace
{

CurrentItem item(double consumer, double client, double delivery = 12, double comanda = 11)
{
    using vnd::pricing::Decimal;
    CurrentItem i;
    i.vrPrecItem = *Decimal::fromDouble(consumer);
    i.vrPrecItemCl = *Decimal::fromDouble(client);
    i.vrPrecItemDlv = *Decimal::fromDouble(delivery);
    i.vrPrecItemCmd = *Decimal::fromDouble(comanda);
    i.precItemEmpty = i.dlvEmpty = i.cmdEmpty = false;
    return i;
}

const QVariant kNull;

} // namespace

TEST(CalculaPrecoItemDia, BothDirectionsOfEveryModality)
{
    struct Case {
        const char *name;
        CurrentItem item;
        Values rule;
        const char *column;
        Values expected;
        const char *refusal = nullptr;
    };
    const QVariant P = "P", A = "A";
    // clang-format off
    const Case cases[] = {
        {"percent discount", item(10, 0), {{"IDPERVALORPR", P}, {"VRPRECODIA", 15.0}},
         "VRPRECODIA", {{"PRECO", 8.5}}},
        {"percent increase", item(10, 0),
         {{"IDPERVALORPR", P}, {"IDDESCACREPR", A}, {"VRPRECODIA", 15.0}}, "VRPRECODIA",
         {{"PRECO", 11.5}}},
        {"fixed discount", item(10, 0), {{"VRPRECODIA", 2.5}}, "VRPRECODIA", {{"PRECO", 7.5}}},
        {"fixed increase", item(10, 0), {{"IDDESCACREPR", A}, {"VRPRECODIA", 2.5}}, "VRPRECODIA",
         {{"PRECO", 12.5}}},
        {"client price in the base", item(8, 2), {{"IDPERVALORPR", P}, {"VRPRECODIA", 15.0}},
         "VRPRECODIA", {{"PRECO", 8.5}}},
        {"prices just below the limit", item(999999999999998, 999999999999998),
         {{"IDPERVALORPR", P}, {"VRPRECODIA", 10.0}}, "VRPRECODIA",
         {{"PRECO", 1799999999999996.40}}},
        {"typed price, percent", item(10, 0), {{"IDPERVALORPR", P}, {"PRECO", 8.0}}, "PRECO",
         {{"VRPRECODIA", 20.0}}},
        {"typed price, client in base", item(8, 2), {{"IDPERVALORPR", P}, {"PRECO", 8.0}},
         "PRECO", {{"VRPRECODIA", 20.0}}},
        {"typed price above base", item(10, 0),
         {{"IDPERVALORPR", P}, {"PRECO", 12.0}, {"VRPRECODIA", 3.0}}, "PRECO",
         {{"PRECO", 12.0}, {"VRPRECODIA", 3.0}}, "VRPRODDESC_MAIOR"},
        {"typed price, percent increase", item(10, 0),
         {{"IDPERVALORPR", P}, {"IDDESCACREPR", A}, {"PRECO", 12.0}}, "PRECO",
         {{"VRPRECODIA", 20.0}}},
        {"increase below base keeps its sign", item(10, 0),
         {{"IDPERVALORPR", P}, {"IDDESCACREPR", A}, {"PRECO", 8.0}}, "PRECO",
         {{"VRPRECODIA", -20.0}}},
        {"typed price, fixed increase", item(10, 0), {{"IDDESCACREPR", A}, {"PRECO", 12.0}},
         "PRECO", {{"VRPRECODIA", 2.0}}},
        {"typed price, fixed discount", item(10, 0), {{"PRECO", 7.5}}, "PRECO",
         {{"VRPRECODIA", 2.5}}},
        {"other column leaves the pair", item(10, 0), {{"VRPRECODIA", 5.0}, {"PRECO", 1.0}},
         "DTINIVALPREC", {{"VRPRECODIA", 5.0}, {"PRECO", 1.0}}},
        {"empty codes: fixed increase", item(10, 0),
         {{"IDPERVALORPR", kNull}, {"IDDESCACREPR", kNull}, {"VRPRECODIA", 1.0}}, "VRPRECODIA",
         {{"IDPERVALORPR", "V"}, {"IDDESCACREPR", "A"}, {"PRECO", 11.0}}},
        {"general off", item(10, 0), {{"IDTPMODGERAL", "N"}, {"VRPRECODIA", 5.0}}, "VRPRECODIA",
         {{"PRECO", kNull}}},
        {"delivery whatever the column", item(10, 0, 12),
         {{"IDPERVALORPR", P}, {"IDTPMODDLV", "S"}, {"VRPRECODIADLV", 25.0}}, "NRDIASEMANPR",
         {{"PRECODLV", 9.0}}},
        {"comanda fixed increase", item(10, 1, 12, 11),
         {{"IDDESCACREPR", A}, {"IDTPMODCMD", "S"}, {"VRPRECODIACMD", 0.5}}, "PRECO",
         {{"PRECOCMD", 12.5}}},
        {"delivery off", item(10, 0, 12), {{"IDTPMODDLV", "N"}, {"VRPRECODIADLV", 25.0}},
         "VRPRECODIA", {{"PRECODLV", kNull}}},
        {"cut, not rounded", item(1.05, 0),
         {{"IDPERVALORPR", P}, {"IDDESCACREPR", A}, {"VRPRECODIA", 10.0}}, "VRPRECODIA",
         {{"PRECO", 1.15}}},
        {"percent of the base", item(10.01, 0), {{"IDPERVALORPR", P}, {"VRPRECODIA", 33.0}},
         "VRPRECODIA", {{"PRECO", 6.71}}},
        {"exact where binary is a cent low", item(24.90, 0),
         {{"IDPERVALORPR", P}, {"VRPRECODIA", 20.0}}, "VRPRECODIA", {{"PRECO", 19.92}}},
        {"typed price whose value gives it back", item(1, 0),
         {{"IDPERVALORPR", P}, {"PRECO", 0.07}}, "PRECO", {{"VRPRECODIA", 93.0}}},
        {"base 0, typed 0", item(0, 0), {{"IDPERVALORPR", P}, {"PRECO", 0.0}}, "PRECO",
         {{"VRPRECODIA", 0.0}}},
        {"base 0, increase", item(0, 0), {{"IDPERVALORPR", P}, {"IDDESCACREPR", A}, {"PRECO", 5.0}},
         "PRECO", {{"VRPRECODIA", 0.0}}},
        {"base 0, value typed", item(0, 0), {{"IDPERVALORPR", P}, {"VRPRECODIA", 10.0}},
         "VRPRECODIA", {{"PRECO", 0.0}}},
    };
    // clang-format on
    for (const Case &c : cases) {
        auto ds = precoHora({{{"PRECO", kNull}, {"VRPRECODIA", kNull}}});
        ds->edit();
        set(*ds, c.rule);
        const Outcome out = run(*ds, [&] {
            calculaPrecoItemDia(*ds, c.item, QString::fromLatin1(c.column), messages());
        });
        EXPECT_EQ(out.message, c.refusal ? messages().msg(c.refusal) : QString()) << c.name;
        EXPECT_EQ(out.focus, c.refusal ? "PRECO" : "") << c.name;
        for (auto it = c.expected.begin(); it != c.expected.end(); ++it) {
            const QVariant got = ds->fieldByName(it.key()).value();
            EXPECT_EQ(got, it.value()) << c.name << ": " << it.key().toStdString() << " = "
                                       << got.toString().toStdString();
            if (got.typeId() == QMetaType::Double) {
                EXPECT_TRUE(std::isfinite(got.toDouble())) << c.name;
            }
        }
    }
}

TEST(CalculaPrecoItemDia, OnlyWhileEditing)
{
    auto ds = precoHora({{{"VRPRECODIA", 5.0}}});
    calculaPrecoItemDia(*ds, item(10, 0), "VRPRECODIA", messages());
    EXPECT_EQ(ds->fieldByName(u"PRECO").asFloat(), 8.0);
}

TEST(AlteraCheckModalidade, TogglesTheSelectedFlag)
{
    auto ds = precoHora({{{"IDTPMODDLV", "N"}, {"IDTPMODCMD", kNull}}});
    EXPECT_FALSE(alteraCheckModalidade(*ds, "VRPRECODIA"));
    EXPECT_EQ(ds->state(), DataSetState::Browse);

    const std::pair<const char *, const char *> steps[] = {{"IDTPMODDLV", "S"},
                                                           {"IDTPMODDLV", "N"},
                                                           {"IDTPMODCMD", "N"},
                                                           {"IDTPMODGERAL", "N"},
                                                           {"IDTPMODGERAL", "S"}};
    for (const auto &[field, after] : steps) {
        EXPECT_TRUE(alteraCheckModalidade(*ds, field));
        EXPECT_EQ(ds->state(), DataSetState::Edit);
        EXPECT_EQ(ds->fieldByName(QString::fromLatin1(field)).asString(), after) << field;
    }
    // No prices are recalculated by a toggle.
    EXPECT_TRUE(ds->fieldByName(u"PRECODLV").isNull());

    auto empty = precoHora({});
    EXPECT_FALSE(alteraCheckModalidade(*empty, "IDTPMODDLV"));
}
