#include "rulestestsupport.h"

#include "host/services/errors.h"
#include "pricetable/compositionfields.h"

#include <gtest/gtest.h>

using namespace vnd::pricetable;
using vnd::data::ClientDataSet;
using vnd::data::DataSetState;

TEST(Composition, ReadOnlyListWithItsFormats)
{
    ClientDataSet ds;
    defineItemPrecoCompFields(ds, "9.99.999.9999;0; ");
    installItemPrecoCompReadOnly(ds);
    vnd::data::Row row{"COCA-COLA 350ML", "1010010002",       "0000000002", 6.0, 5.5,
                       "0000000100",      QDate(2026, 12, 1), "N",          1.0, "001"};
    ds.loadPacket(vnd::data::DataPacket{itemPrecoCompFieldDefs(), {row}});

    EXPECT_EQ(ds.fieldByName(u"VRPRECITEM").displayLabel, rulestest::text("Preço Consumidor"));
    EXPECT_EQ(ds.fieldByName(u"QUANTIDADE").displayFormat, "#,##0.00");
    EXPECT_EQ(ds.fieldByName(u"CDARVPROD").editMask, "9.99.999.9999;0; ");

    // Refused silently, and the dataset never leaves browse.
    EXPECT_THROW(ds.edit(), vnd::SilentAbort);
    EXPECT_THROW(ds.append(), vnd::SilentAbort);
    EXPECT_EQ(ds.state(), DataSetState::Browse);
    EXPECT_EQ(ds.changeCount(), 0);
    EXPECT_EQ(ds.recordCount(), 1);
}
