#include "pricing/messagetable.h"
#include "pricing/tabgeralmessages.h"
#include "pricetable/periodrules.h"

#include <gtest/gtest.h>

using namespace vnd::pricetable;

TEST(PeriodRules, StatusTexts)
{
    const vnd::MessageTable msgs(tabGeralMessages());
    const std::pair<const char *, const char *> cases[] = {
        {"1", "Pendente"}, {"2", "Liberada"}, {"3", "Confirmada"}, {"4", "Aprovada"},
        {"0", ""},         {"5", ""},         {"", ""},           {"12", ""},
    };
    for (const auto &[code, text] : cases)
        EXPECT_EQ(periodStatusText(QString::fromLatin1(code), msgs), QString::fromUtf8(text))
            << code;
}

TEST(PeriodRules, InForceIncludesBothEnds)
{
    const QDate start(2026, 12, 1), end(2026, 12, 31);
    EXPECT_TRUE(periodInForce(start, end, start));
    EXPECT_TRUE(periodInForce(start, end, end));
    EXPECT_FALSE(periodInForce(start, end, start.addDays(-1)));
    EXPECT_FALSE(periodInForce(start, end, end.addDays(1)));
    EXPECT_FALSE(periodInForce(start, QDate(), start));
    EXPECT_EQ(periodFontColor(start, end, end), QColor(0, 0, 0));
    EXPECT_EQ(periodFontColor(start, end, end.addDays(1)), QColor(255, 0, 0));
    EXPECT_EQ(periodFontColor(start, end, start.addDays(-1)), QColor(255, 0, 0));
}

TEST(PeriodRules, DefaultStartOfNewPeriod)
{
    const QDate today(2026, 12, 7);
    EXPECT_EQ(defaultPeriodStart(QDate(), today), today);
    // The day after the latest end, even in the past.
    EXPECT_EQ(defaultPeriodStart(QDate(2025, 1, 31), today), QDate(2025, 2, 1));
    EXPECT_EQ(defaultPeriodStart(QDate(2027, 12, 31), today), QDate(2028, 1, 1));
}

TEST(PeriodRules, MessageFormatting)
{
    const vnd::MessageTable msgs(tabGeralMessages());
    EXPECT_EQ(formatMessage(msgs.msg("FILOUTTAB"), {"002", "01/12/2026"}),
              QString::fromUtf8("Filial já cadastrada para outra tabela de preço. Tabela: 002, "
                                "data inicial de vigência: 01/12/2026."));
    EXPECT_EQ(formatMessage("a %s b", {}), "a %s b");
}
