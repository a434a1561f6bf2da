// What the promotion window sends for each selection mode and item (its values table).

#include "printers.h"
#include "tools/promotion/promotionrules.h"

#include <gtest/gtest.h>

namespace vnd::promotion
{

TEST(PromotionRules, ValuesOfEachModeTheFlagAndTheOrderOfTexts)
{
    using selection::Mode;
    auto values = [](Mode m) {
        const SelectionValues v = selectionValues(m, QStringLiteral("_L"), "1", "2");
        return QStringList{v.all, v.list, v.start, v.end};
    };
    EXPECT_EQ(values(Mode::Todos), QStringList({"T", "", "", ""}));
    EXPECT_EQ(values(Mode::Lista), QStringList({"", "_L", "", ""}));
    EXPECT_EQ(values(Mode::Intervalo), QStringList({"", "", "1", "2"}));
    EXPECT_EQ(promotionFlag(0) + promotionFlag(1), "SN");
    // Texts, not numbers: "2" sorts after "1010010001"; equal texts are in order.
    EXPECT_TRUE(startAfterEnd(QStringLiteral("2"), QStringLiteral("1010010001")));
    EXPECT_FALSE(startAfterEnd(QStringLiteral("101"), QStringLiteral("101")));
}

} // namespace vnd::promotion
