// Datasets loaded from decoded bodies, whose rows stay in the columns they were read into.

#include "wire/codec.h"
#include "tests/dataset/datasetfixture.h"

#include <gtest/gtest.h>

using namespace vnd::data;

namespace
{

// Texts past Latin-1 after Latin-1 ones, fixed-width codes with blanks, no values, and a
// date-time on the wire for a field declared as a date.
const char *kBody = R"({"packet": {"fields": [
    {"name": "CDPRODUTO", "type": "fixedstring", "size": 6},
    {"name": "NMPRODUTO", "type": "string", "size": 20},
    {"name": "VRPRECO", "type": "float"},
    {"name": "DTINI", "type": "datetime"}],
  "rows": [["01    ", "Ração", 2.5, "2024-03-01T00:00:00"],
           ["02", "Café ☕", null, null],
           ["03  ", "", 7, "2024-03-02T00:00:00"],
           ["04", null, 1.25, "2024-03-01T00:00:00"]]}})";

std::unique_ptr<ClientDataSet> loaded(Encoding enc)
{
    const Value body = decodeValue(QByteArray(kBody), Encoding::Json);
    auto ds = std::make_unique<ClientDataSet>();
    ds->addField(QStringLiteral("CDPRODUTO"), FieldType::FixedString, 6);
    ds->addField(QStringLiteral("NMPRODUTO"), FieldType::String, 20);
    ds->addField(QStringLiteral("VRPRECO"), FieldType::Float);
    ds->addField(QStringLiteral("DTINI"), FieldType::Date);
    ds->loadPacket(decodeValue(encodeValue(body, enc), enc).packet());
    return ds;
}

} // namespace

TEST(DataSetDecoded, ValuesReadAsTheBodyHoldsThem)
{
    for (Encoding enc : {Encoding::Json, Encoding::Cbor}) {
        const auto ds = loaded(enc);
        ASSERT_EQ(ds->recordCount(), 4);
        EXPECT_EQ(test::codes(*ds, "CDPRODUTO"), QStringList({"01", "02", "03", "04"}));
        EXPECT_EQ(test::codes(*ds, "NMPRODUTO"), QStringList({"Ração", "Café ☕", "", ""}));
        EXPECT_TRUE(ds->valueAt(1, 2).isNull());
        EXPECT_EQ(ds->valueAt(2, 2), QVariant(7.0));
        EXPECT_EQ(ds->valueAt(0, 3), QVariant(QDate(2024, 3, 1)));
        EXPECT_TRUE(ds->valueAt(1, 3).isNull());
        ds->moveTo(3);
        EXPECT_TRUE(ds->fieldByName(u"NMPRODUTO").isNull());
        ds->moveTo(2);
        EXPECT_FALSE(ds->fieldByName(u"NMPRODUTO").isNull());
    }
}

TEST(DataSetDecoded, EditedRowsAreFilteredAndUndoneLikeLoadedOnes)
{
    const auto ds = loaded(Encoding::Cbor);
    ds->setFilter(QStringLiteral("DTINI = '01/03/2024' and CDPRODUTO = '01'"));
    ds->setFiltered(true);
    EXPECT_EQ(test::codes(*ds, "NMPRODUTO"), QStringList({"Ração"}));

    ds->setFilter(QStringLiteral("NMPRODUTO = 'Café ☕'"));
    ASSERT_EQ(ds->recordCount(), 1);
    ds->edit();
    ds->fieldByName(u"NMPRODUTO").setAsString(QStringLiteral("Ração"));
    ds->post();
    EXPECT_EQ(ds->recordCount(), 0);
    ds->setFilter(QStringLiteral("NMPRODUTO = 'Ração'"));
    EXPECT_EQ(test::codes(*ds, "CDPRODUTO"), QStringList({"01", "02"}));

    const ChangeSet changes = ds->delta();
    ASSERT_EQ(changes.changes.size(), 1u);
    EXPECT_EQ(changes.changes[0].oldRow.at(1), QVariant(QStringLiteral("Café ☕")));
    EXPECT_EQ(changes.changes[0].newRow.at(1), QVariant(QStringLiteral("Ração")));

    ds->cancelUpdates();
    EXPECT_EQ(test::codes(*ds, "CDPRODUTO"), QStringList({"01"}));
    ds->setFiltered(false);
    EXPECT_EQ(test::codes(*ds, "NMPRODUTO"), QStringList({"Ração", "Café ☕", "", ""}));
}
