#include "datasetfixture.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace vnd::data;
using namespace vnd::data::test;

namespace
{

// Every signal in one list, with the row count seen when it arrived.
struct SignalLog {
    QStringList events;

    explicit SignalLog(ClientDataSet &ds)
    {
        const auto add = [this, &ds](const QString &e) {
            events << QStringLiteral("%1 n=%2").arg(e).arg(ds.recordCount());
        };
        QObject::connect(&ds, &ClientDataSet::stateChanged, [add] { add("state"); });
        QObject::connect(&ds, &ClientDataSet::fieldChanged,
                         [add](int f) { add(QStringLiteral("field(%1)").arg(f)); });
        QObject::connect(&ds, &ClientDataSet::currentChanged,
                         [add](int r) { add(QStringLiteral("current(%1)").arg(r)); });
        QObject::connect(&ds, &ClientDataSet::rowChanged,
                         [add](int r) { add(QStringLiteral("row(%1)").arg(r)); });
        QObject::connect(&ds, &ClientDataSet::rowsInserted, [add](int a, int b) {
            add(QStringLiteral("inserted(%1,%2)").arg(a).arg(b));
        });
        QObject::connect(&ds, &ClientDataSet::rowsRemoved, [add](int a, int b) {
            add(QStringLiteral("removed(%1,%2)").arg(a).arg(b));
        });
        QObject::connect(&ds, &ClientDataSet::reset, [add] { add("reset"); });
    }
};

} // namespace

TEST(DataSetSignals, SequencesDescribeTheRowsAsTheyAre)
{
    struct Case {
        const char *name;
        std::function<void(ClientDataSet &)> act;
        QStringList expected;
    };
    const auto setCode = [](ClientDataSet &ds, const char *c) {
        ds.fieldByName(u"CDTABEPREC").setValue(QString::fromLatin1(c));
    };
    const std::vector<Case> cases = {
        {"insert",
         [](ClientDataSet &ds) { ds.insert(); },
         {"inserted(1,1) n=4", "current(1) n=4", "state n=4"}},
        {"type",
         [&](ClientDataSet &ds) { ds.edit(), setCode(ds, "009"); },
         {"state n=3", "field(0) n=3"}},
        {"post moves the row to its sorted place",
         [&](ClientDataSet &ds) {
             ds.edit();
             setCode(ds, "009");
             ds.post();
         },
         {"state n=3", "field(0) n=3", "removed(1,1) n=2", "inserted(2,2) n=3", "current(2) n=3",
          "state n=3"}},
        {"post in place",
         [&](ClientDataSet &ds) {
             ds.edit();
             ds.fieldByName(u"NMTABEPREC").setValue(QStringLiteral("x"));
             ds.post();
         },
         {"state n=3", "field(1) n=3", "row(1) n=3", "state n=3"}},
        {"cancel an insert",
         [](ClientDataSet &ds) {
             ds.insert();
             ds.cancel();
         },
         {"inserted(1,1) n=4", "current(1) n=4", "state n=4", "removed(1,1) n=3", "current(1) n=3",
          "state n=3"}},
        {"cancel an edit",
         [&](ClientDataSet &ds) {
             ds.edit();
             ds.cancel();
         },
         {"state n=3", "row(1) n=3", "state n=3"}},
        {"remove", [](ClientDataSet &ds) { ds.remove(); }, {"removed(1,1) n=2", "current(1) n=2"}},
        {"scroll", [](ClientDataSet &ds) { ds.next(), ds.next(); }, {"current(2) n=3"}},
        {"filter",
         [](ClientDataSet &ds) {
             ds.setFilter(QStringLiteral("CDTABEPREC <> '001'"));
             ds.setFiltered(true);
         },
         {"reset n=2", "current(0) n=2"}},
        {"undo all",
         [&](ClientDataSet &ds) {
             ds.remove();
             ds.cancelUpdates();
         },
         // the current record follows its row, which the restored one pushes down
         {"removed(1,1) n=2", "current(1) n=2", "reset n=3", "current(2) n=3"}},
        {"load",
         [](ClientDataSet &ds) { ds.loadPacket(tablePacket({"005"})); },
         {"reset n=1", "current(0) n=1", "state n=1"}},
        {"close",
         [](ClientDataSet &ds) { ds.close(); },
         {"reset n=0", "current(-1) n=0", "state n=0"}},
    };
    for (const Case &c : cases) {
        auto ds = tableDataSet({"001", "002", "003"});
        ds->setIndexFieldNames(QStringLiteral("CDTABEPREC"));
        ds->moveTo(1);
        SignalLog log(*ds);
        c.act(*ds);
        EXPECT_EQ(log.events, c.expected) << c.name;
    }
}

TEST(DataSetSignals, DataSourceForwardsStateAndDataChanges)
{
    auto ds = tableDataSet({"001", "002"});
    DataSource src;
    QStringList seen;
    src.onStateChange = [&](DataSource &s) {
        seen << QStringLiteral("state %1").arg(int(s.state()));
    };
    src.onDataChange = [&](DataSource &, Field *f) {
        seen << (f ? QStringLiteral("data %1").arg(f->fieldName()) : QStringLiteral("record"));
    };
    QSignalSpy stateSpy(&src, &DataSource::stateChanged);
    QSignalSpy dataSpy(&src, &DataSource::dataChanged);
    src.setDataSet(ds.get());
    ds->edit();
    ds->fieldByName(u"VRPRECO").setValue(3.0);
    ds->next(); // posts, then scrolls
    ds->insert();
    ds->cancel();
    EXPECT_EQ(seen, QStringList({"state 1", "state 2", "data VRPRECO", "record", "state 1",
                                 "record", "record", "state 3", "record", "state 1"}));
    EXPECT_EQ(stateSpy.count(), 5);
    ASSERT_EQ(dataSpy.count(), 5);
    EXPECT_EQ(dataSpy.at(0).at(0).toInt(), 2);
    EXPECT_EQ(dataSpy.at(1).at(0).toInt(), -1);

    src.setDataSet(nullptr);
    ds->edit(); // no longer heard
    EXPECT_EQ(src.state(), DataSetState::Inactive);
    EXPECT_EQ(stateSpy.count(), 6);
}
