#include "datasetfixture.h"

#include <gtest/gtest.h>

using namespace vnd::data;
using namespace vnd::data::test;

namespace
{

void setCode(ClientDataSet &ds, const char *code)
{
    ds.fieldByName(u"CDTABEPREC").setValue(QString::fromLatin1(code));
}

void setPrice(ClientDataSet &ds, double v)
{
    ds.fieldByName(u"VRPRECO").setValue(v);
}

} // namespace

TEST(DataSetChangeLog, CountsChangedRows)
{
    struct Case {
        const char *name;
        std::function<void(ClientDataSet &)> act;
        int count;
    };
    const std::vector<Case> cases = {
        {"load is not a change", [](ClientDataSet &) {}, 0},
        {"insert", [](ClientDataSet &ds) { ds.append(), setCode(ds, "009"), ds.post(); }, 1},
        {"insert then delete",
         [](ClientDataSet &ds) { ds.append(), setCode(ds, "009"), ds.post(), ds.remove(); }, 0},
        {"modify twice",
         [](ClientDataSet &ds) {
             ds.edit(), setPrice(ds, 5), ds.post();
             ds.edit(), setPrice(ds, 6), ds.post();
         },
         1},
        {"modify then delete",
         [](ClientDataSet &ds) { ds.edit(), setPrice(ds, 5), ds.post(), ds.remove(); }, 1},
        {"post without a change", [](ClientDataSet &ds) { ds.edit(), ds.post(); }, 0},
        {"cancelled edit", [](ClientDataSet &ds) { ds.edit(), setPrice(ds, 5), ds.cancel(); }, 0},
        {"three rows",
         [](ClientDataSet &ds) {
             ds.remove();
             ds.edit(), setPrice(ds, 7), ds.post();
             ds.insert(), setCode(ds, "000"), ds.post();
         },
         3},
    };
    for (const Case &c : cases) {
        auto ds = tableDataSet({"001", "002", "003"});
        c.act(*ds);
        EXPECT_EQ(ds->changeCount(), c.count) << c.name;
    }
}

TEST(DataSetChangeLog, DeltaCarriesExactOldAndNewValues)
{
    auto ds = tableDataSet({"001", "002", "003"});
    const Row loaded1 = ds->toPacket().rows[0];
    const Row loaded3 = ds->toPacket().rows[2];
    // Modified twice: one change whose old values are the loaded ones.
    ds->edit();
    setPrice(*ds, 0.1 + 0.2);
    ds->post();
    ds->edit();
    ds->fieldByName(u"NMTABEPREC").setValue(QString());
    ds->fieldByName(u"DTINI").clear();
    ds->post();
    ds->last();
    ds->remove();
    ds->append();
    setCode(*ds, "004");
    ds->post();

    const ChangeSet cs = ds->delta();
    ASSERT_EQ(cs.fields.size(), 4);
    EXPECT_EQ(cs.fields[2].name, "VRPRECO");
    ASSERT_EQ(cs.changes.size(), 3u);

    const Change &mod = cs.changes[0];
    EXPECT_EQ(mod.op, Change::Op::Modify);
    EXPECT_EQ(mod.oldRow, loaded1);
    EXPECT_EQ(mod.newRow[0].toString(), "001");
    EXPECT_EQ(mod.newRow[2].toDouble(), 0.1 + 0.2); // not rounded on the way
    EXPECT_TRUE(mod.newRow[1].isValid());           // empty text, not null
    EXPECT_EQ(mod.newRow[1].toString(), "");
    EXPECT_FALSE(mod.newRow[3].isValid()); // cleared date: null

    EXPECT_EQ(cs.changes[1].op, Change::Op::Delete);
    EXPECT_EQ(cs.changes[1].oldRow, loaded3);
    EXPECT_TRUE(cs.changes[1].newRow.isEmpty());

    EXPECT_EQ(cs.changes[2].op, Change::Op::Insert);
    EXPECT_TRUE(cs.changes[2].oldRow.isEmpty());
    EXPECT_EQ(cs.changes[2].newRow[0].toString(), "004");
    EXPECT_FALSE(cs.changes[2].newRow[2].isValid());
}

TEST(DataSetChangeLog, MergeMakesChangesTheBase)
{
    auto ds = tableDataSet({"001", "002"});
    ds->edit();
    setPrice(*ds, 9);
    ds->post();
    ds->mergeChangeLog();
    EXPECT_EQ(ds->changeCount(), 0);
    EXPECT_EQ(ds->fieldByName(u"VRPRECO").oldValue().toDouble(), 9);
    ds->edit();
    setPrice(*ds, 10);
    ds->post();
    ASSERT_EQ(ds->delta().changes.size(), 1u);
    EXPECT_EQ(ds->delta().changes[0].oldRow[2].toDouble(), 9);
    ds->cancelUpdates();
    EXPECT_EQ(ds->fieldByName(u"VRPRECO").asFloat(), 9);
}

TEST(DataSetChangeLog, UndoAllRestoresDeletedRowsInPlace)
{
    for (const char *index : {"", "CDTABEPREC", "VRPRECO"}) {
        auto ds = tableDataSet({"001", "002", "003", "004", "005"});
        ds->setIndexFieldNames(QString::fromLatin1(index));
        const QStringList before = codes(*ds);
        ds->moveTo(1);
        ds->remove(); // 002
        ds->moveTo(2);
        ds->remove(); // 004
        ds->first();
        ds->edit();
        setCode(*ds, "999"); // moves to the end when kept sorted by code
        setPrice(*ds, -1);   // moves to the front when kept sorted by price
        ds->post();
        ds->insert();
        setCode(*ds, "000");
        ds->post();
        ds->moveTo(2);
        ds->cancelUpdates();
        EXPECT_EQ(codes(*ds), before) << index;
        EXPECT_EQ(ds->changeCount(), 0);
        EXPECT_EQ(ds->fieldByName(u"VRPRECO").oldValue(), ds->fieldByName(u"VRPRECO").value());
    }
}

TEST(DataSetChangeLog, UndoAllAfterMergeKeepsMergedInserts)
{
    auto ds = tableDataSet({"001", "003"});
    ds->next();
    ds->insert();
    setCode(*ds, "002");
    ds->post();
    ds->mergeChangeLog();
    ds->first();
    ds->remove();
    ds->cancelUpdates();
    EXPECT_EQ(codes(*ds), QStringList({"001", "002", "003"}));
}

TEST(DataSetChangeLog, FailedSaveInAfterPostUndoesThePost)
{
    // The way every window saves: send from afterPost, undo all when the server refuses.
    auto ds = tableDataSet({"001", "002"});
    ds->afterPost = [](ClientDataSet &d) {
        try {
            throw vnd::Error(QStringLiteral("Registro alterado por outro usuário."));
        } catch (...) {
            d.cancelUpdates();
            throw;
        }
    };
    ds->append();
    setCode(*ds, "003");
    EXPECT_THROW(ds->post(), vnd::Error);
    EXPECT_EQ(codes(*ds), QStringList({"001", "002"}));
    EXPECT_EQ(ds->state(), DataSetState::Browse);
    EXPECT_EQ(ds->changeCount(), 0);
    EXPECT_EQ(ds->recNo(), 1);
}
