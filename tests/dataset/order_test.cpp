#include "datasetfixture.h"

#include <gtest/gtest.h>

using namespace vnd::data;
using namespace vnd::data::test;

TEST(DataSetOrder, KeptSortedOnPost)
{
    auto ds = tableDataSet({"030", "010", "020"});
    int scrolls = 0;
    ds->afterScroll = [&](ClientDataSet &) { ++scrolls; };
    ds->moveTo(1);
    scrolls = 0;
    ds->setIndexFieldNames(QStringLiteral("CDTABEPREC"));
    EXPECT_EQ(codes(*ds), QStringList({"010", "020", "030"}));
    EXPECT_EQ(current(*ds), "010"); // the current record follows its row

    ds->insert(); // in place at the cursor while typing
    EXPECT_EQ(ds->recNo(), 0);
    ds->fieldByName(u"CDTABEPREC").setValue(QStringLiteral("025"));
    ds->post();
    EXPECT_EQ(codes(*ds), QStringList({"010", "020", "025", "030"}));
    EXPECT_EQ(ds->recNo(), 2);
    EXPECT_EQ(current(*ds), "025");

    ds->first();
    ds->edit();
    ds->fieldByName(u"CDTABEPREC").setValue(QStringLiteral("099"));
    ds->post();
    EXPECT_EQ(codes(*ds), QStringList({"020", "025", "030", "099"}));
    EXPECT_EQ(current(*ds), "099");
    EXPECT_EQ(ds->recNo(), 3);

    ds->append(); // an equal key goes after the rows already there
    ds->fieldByName(u"CDTABEPREC").setValue(QStringLiteral("020"));
    ds->fieldByName(u"NMTABEPREC").setValue(QStringLiteral("segunda"));
    ds->post();
    EXPECT_EQ(ds->recNo(), 1);
    EXPECT_EQ(current(*ds, "NMTABEPREC"), "segunda");

    ds->setIndexFieldNames(QString()); // back to load order, inserted rows last
    EXPECT_EQ(codes(*ds), QStringList({"030", "099", "020", "025", "020"}));
    EXPECT_THROW(ds->setIndexFieldNames(QStringLiteral("NAOHA")), vnd::Error);
}

TEST(DataSetOrder, SortedByDateThenCodeWithNullsFirst)
{
    DataPacket p = tablePacket({"001", "002", "003", "004"});
    p.rows[0][3] = QDate(2024, 5, 1);
    p.rows[1][3] = QVariant();
    p.rows[2][3] = QDate(2023, 12, 31);
    p.rows[3][3] = QDate(2024, 5, 1);
    p.rows[3][0] = QStringLiteral("000");
    ClientDataSet ds;
    ds.setIndexFieldNames(QStringLiteral("DTINI;CDTABEPREC"));
    ds.loadPacket(p);
    EXPECT_EQ(codes(ds), QStringList({"002", "003", "000", "001"}));
}

TEST(DataSetOrder, Locate)
{
    struct Case {
        QStringList fields;
        QVariantList values;
        int options;
        int row; // -1: not found, cursor unchanged
    };
    const std::vector<Case> cases = {
        {{"CDTABEPREC"}, {"003"}, 0, 2},
        {{"cdtabeprec", "VRPRECO"}, {"002", 2.0}, 0, 1},
        {{"CDTABEPREC", "VRPRECO"}, {"002", 3.0}, 0, -1},
        {{"NMTABEPREC"}, {"tabela 004"}, 0, -1},
        {{"NMTABEPREC"}, {"tabela 004"}, int(LocateOption::CaseInsensitive), 3},
        {{"NMTABEPREC"}, {"Tabela"}, int(LocateOption::PartialKey), 0},
        {{"DTINI"}, {QDate(2024, 1, 2)}, 0, 1},
        {{"DTINI"}, {"03/01/2024"}, 0, 2},
        {{"VRPRECO"}, {QVariant()}, 0, -1},
    };
    for (const Case &c : cases) {
        auto ds = tableDataSet({"001", "002", "003", "004"});
        ds->moveTo(3);
        EXPECT_EQ(ds->locate(c.fields, c.values, c.options), c.row >= 0)
            << c.fields.join(',').toStdString();
        EXPECT_EQ(ds->recNo(), c.row >= 0 ? c.row : 3);
    }
}

TEST(DataSetOrder, LocatePostsAPendingEdit)
{
    auto ds = tableDataSet({"001", "002"});
    ds->edit();
    ds->fieldByName(u"NMTABEPREC").setValue(QStringLiteral("mudou"));
    EXPECT_TRUE(ds->locate({"CDTABEPREC"}, {"002"}));
    EXPECT_EQ(ds->state(), DataSetState::Browse);
    EXPECT_EQ(ds->changeCount(), 1);
}
