#include "rulestestsupport.h"

#include "pricetable/dayhourgrid.h"

#include <gtest/gtest.h>

using namespace rulestest;
using namespace vnd::pricetable;
using vnd::data::ClientDataSet;
using vnd::data::DataSetState;

namespace
{

PrecoHoraContext context(int *lookups = nullptr)
{
    return {messages(),
            period(),
            currentItemOf(*itemPreco()),
            {},
            {},
            [lookups](const QString &) -> std::optional<QString> {
                if (lookups)
                    ++*lookups;
                return std::nullopt;
            },
            {}};
}

} // namespace

TEST(PrecoHoraGrid, KeyColumnsLockedUnlessInserting)
{
    auto ds = precoHora({{}});
    const auto lockNow = [&] { return keyColumnLock(ds->state()); };
    EXPECT_TRUE(lockNow().readOnly);
    EXPECT_FALSE(lockNow().lookupButton);
    ds->edit();
    EXPECT_TRUE(lockNow().readOnly);
    ds->cancel();
    ds->append();
    EXPECT_FALSE(lockNow().readOnly);
    EXPECT_TRUE(lockNow().lookupButton);
    EXPECT_EQ(precoHoraKeyFields(),
              QStringList({"NRDIASEMANPR", "HRINIPRECDIA", "HRFINPRECDIA", "CDTIPOCONSPD"}));

    for (const char *f : {"IDTPMODGERAL", "IDTPMODDLV", "IDTPMODCMD"})
        EXPECT_FALSE(precoHoraColumnEditable(f)) << f;
    EXPECT_TRUE(precoHoraColumnEditable("VRPRECODIA"));
}

TEST(PrecoHoraGrid, ColumnExit)
{
    // Leaving the validity start empty fills both dates from the period, overwriting the end.
    auto ds = precoHora({});
    ds->append();
    set(*ds, {{"DTFINVALPREC", QDateTime(QDate(2026, 12, 9), QTime(0, 0))},
              {"VRPRECODIA", 1.0},
              {"IDTPMODGERAL", "S"}});
    precoHoraColExit(*ds, "DTINIVALPREC", context());
    EXPECT_EQ(ds->fieldByName(u"DTINIVALPREC").asDateTime().date(), QDate(2026, 12, 1));
    EXPECT_EQ(ds->fieldByName(u"DTFINVALPREC").asDateTime().date(), QDate(2026, 12, 31));
    // The calculation runs with the column left as the selected one: not the value column.
    EXPECT_TRUE(ds->fieldByName(u"PRECO").isNull());
    EXPECT_EQ(ds->fieldByName(u"IDPERVALORPR").asString(), "V");

    precoHoraColExit(*ds, "VRPRECODIA", context());
    EXPECT_EQ(ds->fieldByName(u"PRECO").asFloat(), 11.0);

    // A failed consumer type keeps the focus there and skips the calculation.
    int lookups = 0;
    set(*ds, {{"CDTIPOCONSPD", "7"}, {"VRPRECODIA", 2.0}});
    const Outcome out = run(*ds, [&] { precoHoraColExit(*ds, "CDTIPOCONSPD", context(&lookups)); });
    EXPECT_EQ(out.focus, "CDTIPOCONSPD");
    EXPECT_EQ(out.message, messages().msg("TpConsNCad"));
    EXPECT_EQ(ds->fieldByName(u"CDTIPOCONSPD").asString(), "07");
    EXPECT_EQ(lookups, 1);
    EXPECT_EQ(ds->fieldByName(u"PRECO").asFloat(), 11.0);

    // Nothing while browsing.
    auto saved = precoHora({{{"DTINIVALPREC", QVariant()}}});
    precoHoraColExit(*saved, "DTINIVALPREC", context());
    EXPECT_TRUE(saved->fieldByName(u"DTINIVALPREC").isNull());
}

TEST(PrecoHoraGrid, CellTexts)
{
    struct Tipo {
        const char *code, *name;
        bool editing;
        const char *shown;
    };
    const Tipo tipos[] = {{"T", "", false, "Todos"},
                          {"T", "", true, "Todos"},
                          {"01", "FUNCIONARIO", false, "FUNCIONARIO"},
                          {"01", "FUNCIONARIO", true, "01"},
                          {"", "", false, ""}};
    for (const Tipo &t : tipos)
        EXPECT_EQ(tipoConsCellText(t.code, t.name, t.editing, messages()), t.shown) << t.code;

    const std::tuple<const char *, bool, CheckImage> images[] = {{"S", true, CheckImage::Check},
                                                                 {"N", true, CheckImage::Uncheck},
                                                                 {"", true, CheckImage::None},
                                                                 {"X", true, CheckImage::None},
                                                                 {"S", false, CheckImage::None}};
    for (const auto &[flag, records, image] : images)
        EXPECT_EQ(modalidadeImage(flag, records), image) << flag;

    const QDate today(2026, 12, 10);
    const QColor red(255, 0, 0), black(0, 0, 0);
    EXPECT_EQ(precoHoraFontColour(today, today, today), black);
    EXPECT_EQ(precoHoraFontColour(today.addDays(-5), today.addDays(-1), today), red);
    EXPECT_EQ(precoHoraFontColour(today.addDays(1), today.addDays(5), today), red);
    EXPECT_EQ(precoHoraFontColour({}, {}, today), red);

    auto ds =
        precoHora({{{"HRINIPRECDIA", QVariant()}, {"PRECODLV", QVariant()}, {"PRECO", 1234.5}}});
    EXPECT_EQ(ds->fieldByName(u"HRINIPRECDIA").displayText(), ":");
    EXPECT_EQ(ds->fieldByName(u"HRFINPRECDIA").displayText(), "14:00");
    EXPECT_EQ(ds->fieldByName(u"PRECO").displayText(), "1234,50");
    EXPECT_EQ(ds->fieldByName(u"VRPRECODIADLV").displayText(), "0,00");
    auto empty = precoHora({});
    EXPECT_EQ(empty->fieldByName(u"PRECO").displayText(), "");
}
