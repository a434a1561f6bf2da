// What the promotion window sends for each selection mode and item, by the values table.

#include "printers.h"
#include "tools/promotion/promotionrules.h"

#include <gtest/gtest.h>

namespace vnd::promotion
{

TEST(PromotionRules, ValuesOfEachModeTheFlagAndTheOrderOfTexts)
{
    using selection::Mode;
    const QString list = QStringLiteral("_0000000001_"), a = QStringLiteral("1"),
                  b = QStringLiteral("2");
    const SelectionValues todos = selectionValues(Mode::Todos, list, a, b);
    EXPECT_EQ(QStringList({todos.all, todos.list, todos.start, todos.end}),
              QStringList({"T", "", "", ""}));
    const SelectionValues lista = selectionValues(Mode::Lista, list, a, b);
    EXPECT_EQ(QStringList({lista.all, lista.list, lista.start, lista.end}),
              QStringList({"", list, "", ""}));
    const SelectionValues range = selectionValues(Mode::Intervalo, list, a, b);
    EXPECT_EQ(QStringList({range.all, range.list, range.start, range.end}),
              QStringList({"", "", a, b}));

    EXPECT_EQ(promotionFlag(0), "S");
    EXPECT_EQ(promotionFlag(1), "N");
    // Texts, not numbers: "2" sorts after "1010010001"; equal texts are in order.
    EXPECT_TRUE(startAfterEnd(QStringLiteral("2"), QStringLiteral("1010010001")));
    EXPECT_FALSE(startAfterEnd(QStringLiteral("101"), QStringLiteral("101")));
    EXPECT_FALSE(startAfterEnd(QStringLiteral("1010010001"), QStringLiteral("2")));
}

} // namespace vnd::promotion
