#include "datasetfixture.h"
#include "wire/columns.h"

#include <gtest/gtest.h>

#include <functional>

using namespace vnd::data;
using namespace vnd::data::test;

namespace
{

// Records every hook by name; the setter of the last field marks the record as typed into.
struct HookLog {
    QStringList calls;

    void attach(ClientDataSet &ds)
    {
        const auto hook = [this](const char *name) {
            return [this, name](ClientDataSet &) { calls << QString::fromLatin1(name); };
        };
        ds.beforeInsert = hook("beforeInsert");
        ds.afterInsert = hook("afterInsert");
        ds.onNewRecord = hook("onNewRecord");
        ds.beforeEdit = hook("beforeEdit");
        ds.afterEdit = hook("afterEdit");
        ds.beforePost = hook("beforePost");
        ds.afterPost = hook("afterPost");
        ds.beforeCancel = hook("beforeCancel");
        ds.afterCancel = hook("afterCancel");
        ds.beforeDelete = hook("beforeDelete");
        ds.afterDelete = hook("afterDelete");
        ds.afterScroll = hook("afterScroll");
    }
};

struct HookCase {
    const char *name;
    std::function<void(ClientDataSet &)> act;
    QStringList expected;
};

void type(ClientDataSet &ds, const char *code)
{
    ds.fieldByName(u"CDTABEPREC").setValue(QString::fromLatin1(code));
}

} // namespace

TEST(DataSetEditing, HooksRunInOrder)
{
    const std::vector<HookCase> cases = {
        {"insert",
         [](ClientDataSet &ds) { ds.insert(); },
         {"beforeInsert", "onNewRecord", "afterInsert", "afterScroll"}},
        {"insert and post",
         [](ClientDataSet &ds) {
             ds.insert();
             type(ds, "009");
             ds.post();
         },
         {"beforeInsert", "onNewRecord", "afterInsert", "afterScroll", "beforePost", "afterPost"}},
        {"insert and cancel",
         [](ClientDataSet &ds) {
             ds.insert();
             ds.cancel();
         },
         {"beforeInsert", "onNewRecord", "afterInsert", "afterScroll", "beforeCancel",
          "afterCancel", "afterScroll"}},
        {"edit and cancel",
         [](ClientDataSet &ds) {
             ds.edit();
             ds.cancel();
         },
         {"beforeEdit", "afterEdit", "beforeCancel", "afterCancel"}},
        {"edit, type, move", // moving posts a typed record
         [](ClientDataSet &ds) {
             ds.edit();
             type(ds, "007");
             ds.next();
         },
         {"beforeEdit", "afterEdit", "beforePost", "afterPost", "afterScroll"}},
        {"edit untouched, move", // an untouched record is given up, not posted
         [](ClientDataSet &ds) {
             ds.edit();
             ds.next();
         },
         {"beforeEdit", "afterEdit", "beforeCancel", "afterCancel", "afterScroll"}},
        {"remove",
         [](ClientDataSet &ds) { ds.remove(); },
         {"beforeDelete", "afterDelete", "afterScroll"}},
        {"remove while inserting cancels",
         [](ClientDataSet &ds) {
             ds.insert();
             ds.remove();
         },
         {"beforeInsert", "onNewRecord", "afterInsert", "afterScroll", "beforeCancel",
          "afterCancel", "afterScroll"}},
        {"next at the end does not scroll",
         [](ClientDataSet &ds) {
             ds.last();
             ds.next();
         },
         {"afterScroll"}},
        {"edit while editing does nothing",
         [](ClientDataSet &ds) {
             ds.edit();
             ds.edit();
         },
         {"beforeEdit", "afterEdit"}},
    };
    for (const HookCase &c : cases) {
        auto ds = tableDataSet({"001", "002", "003"});
        HookLog log;
        log.attach(*ds);
        c.act(*ds);
        EXPECT_EQ(log.calls, c.expected) << c.name;
    }
}

TEST(DataSetEditing, AbortedBeforeInsertInsertsNothing)
{
    for (bool silent : {true, false}) {
        auto ds = tableDataSet({"001", "002"});
        ds->next();
        int scrolls = 0;
        ds->afterScroll = [&](ClientDataSet &) { ++scrolls; };
        ds->beforeInsert = [silent](ClientDataSet &) {
            if (silent)
                throw vnd::SilentAbort();
            throw vnd::Error(QStringLiteral("Preço do produto não está cadastrado."));
        };
        if (silent)
            EXPECT_THROW(ds->insert(), vnd::SilentAbort);
        else
            EXPECT_THROW(ds->append(), vnd::Error);
        EXPECT_EQ(ds->state(), DataSetState::Browse);
        EXPECT_EQ(ds->recordCount(), 2);
        EXPECT_EQ(ds->recNo(), 1);
        EXPECT_EQ(scrolls, 0);
        EXPECT_EQ(ds->changeCount(), 0);
    }
}

TEST(DataSetEditing, AbortedPostKeepsEditStateAndValues)
{
    for (bool inserting : {false, true}) {
        for (bool silent : {true, false}) {
            auto ds = tableDataSet({"001", "002"});
            ds->beforePost = [silent](ClientDataSet &d) {
                d.fieldByName(u"NMTABEPREC").focusControl();
                if (silent)
                    throw vnd::SilentAbort();
                throw vnd::Error(QStringLiteral("Nome deve ser informado."));
            };
            if (inserting)
                ds->insert();
            else
                ds->edit();
            type(*ds, "005");
            ds->fieldByName(u"VRPRECO").setAsString(QStringLiteral("12,5"));
            ds->fieldByName(u"NMTABEPREC").setValue(QString());
            if (silent)
                EXPECT_THROW(ds->post(), vnd::SilentAbort);
            else
                EXPECT_THROW(ds->post(), vnd::Error);
            EXPECT_EQ(ds->state(), inserting ? DataSetState::Insert : DataSetState::Edit);
            EXPECT_EQ(current(*ds), "005");
            EXPECT_EQ(ds->fieldByName(u"VRPRECO").asFloat(), 12.5);
            EXPECT_FALSE(ds->fieldByName(u"NMTABEPREC").isNull());
            EXPECT_EQ(ds->changeCount(), 0);
            EXPECT_EQ(ds->recordCount(), inserting ? 3 : 2);
            // A failed post on the way to another record leaves the cursor where it was.
            EXPECT_ANY_THROW(ds->next());
            EXPECT_EQ(ds->recNo(), 0);
        }
    }
}

TEST(DataSetEditing, FailedNewRecordHookTakesTheRowBack)
{
    auto ds = tableDataSet({"001", "002"});
    ds->next();
    ds->onNewRecord = [](ClientDataSet &d) {
        d.fieldByName(u"CDTABEPREC").setValue(QStringLiteral("999"));
        throw vnd::Error(QStringLiteral("falhou"));
    };
    EXPECT_THROW(ds->insert(), vnd::Error);
    EXPECT_EQ(ds->state(), DataSetState::Browse);
    EXPECT_EQ(codes(*ds), QStringList({"001", "002"}));
    EXPECT_EQ(current(*ds), "002");
}

TEST(DataSetEditing, EditAndDeleteOnEmptyDoNothing)
{
    auto ds = tableDataSet({});
    int hooks = 0;
    ds->beforeEdit = ds->beforeDelete = [&](ClientDataSet &) { ++hooks; };
    EXPECT_NO_THROW(ds->edit());
    EXPECT_NO_THROW(ds->remove());
    EXPECT_EQ(ds->state(), DataSetState::Browse);
    EXPECT_EQ(hooks, 0);
    EXPECT_TRUE(ds->isEmpty());
    EXPECT_TRUE(ds->bof());
    EXPECT_TRUE(ds->eof());
    EXPECT_EQ(ds->recNo(), -1);
}

TEST(DataSetEditing, InsertAppendAndRemovePlaceRows)
{
    auto ds = tableDataSet({"001", "002", "003"});
    ds->next();
    ds->insert();
    EXPECT_EQ(ds->recNo(), 1);
    type(*ds, "010");
    ds->post();
    ds->append();
    EXPECT_EQ(ds->recNo(), 4);
    type(*ds, "020");
    ds->post();
    EXPECT_EQ(codes(*ds), QStringList({"001", "010", "002", "003", "020"}));

    ds->moveTo(2);
    ds->remove();
    EXPECT_EQ(current(*ds), "003"); // the next record takes the place
    ds->last();
    ds->remove();
    EXPECT_EQ(current(*ds), "003"); // removing the last makes the new last current
    EXPECT_EQ(codes(*ds), QStringList({"001", "010", "003"}));
}

TEST(DataSetEditing, RemoveWhileEditingDropsTheEdits)
{
    auto ds = tableDataSet({"001", "002"});
    ds->edit();
    type(*ds, "777");
    ds->remove();
    EXPECT_EQ(ds->state(), DataSetState::Browse);
    EXPECT_EQ(codes(*ds), QStringList({"002"}));
    const ChangeSet cs = ds->delta();
    ASSERT_EQ(cs.changes.size(), 1u);
    EXPECT_EQ(cs.changes[0].op, Change::Op::Delete);
    EXPECT_EQ(cs.changes[0].oldRow[0].toString(), "001");
}

TEST(DataSetEditing, WalkingVisitsEveryRecordOnce)
{
    auto ds = tableDataSet({"001", "002", "003"});
    QStringList seen;
    for (ds->first(); !ds->eof(); ds->next())
        seen << current(*ds);
    EXPECT_EQ(seen, QStringList({"001", "002", "003"}));
    seen.clear();
    for (ds->last(); !ds->bof(); ds->prior())
        seen << current(*ds);
    EXPECT_EQ(seen, QStringList({"003", "002", "001"}));
}

TEST(DataSetEditing, SetValueOutsideEditIsRefused)
{
    auto ds = tableDataSet({"001"});
    EXPECT_THROW(type(*ds, "002"), vnd::Error);
    EXPECT_EQ(current(*ds), "001");
}

// The exports' fast reads: the loaded value, none for null, and what the row holds while it
// is edited and after it is posted, which the loaded columns no longer give.
TEST(DataSetEditing, FastReadsFollowTheRowThroughEdits)
{
    DataPacket p = tablePacket({"001", "002", "003"});
    p.rows[1][2] = QVariant();
    ClientDataSet ds;
    ds.loadPacket(p);
    const int f = ds.fieldByName(u"VRPRECO").index();
    EXPECT_EQ(ds.numberAt(0, f), 1.0);
    EXPECT_FALSE(ds.numberAt(1, f));
    ASSERT_TRUE(ds.loadedColumn(f));
    EXPECT_EQ(ds.loadedColumn(f)->number(ds.loadedRow(2)), 3.0);
    ds.moveTo(2);
    ds.edit();
    ds.fieldByName(u"VRPRECO").setValue(7.25);
    EXPECT_EQ(ds.numberAt(2, f), 7.25);
    EXPECT_EQ(ds.loadedRow(2), -1);
    ds.post();
    EXPECT_EQ(ds.numberAt(2, f), 7.25);
    EXPECT_EQ(ds.loadedRow(2), -1);
    EXPECT_FALSE(ds.numberAt(1, ds.fieldByName(u"NMTABEPREC").index() + 100));
    EXPECT_FALSE(ds.loadedColumn(f + 100));
}
