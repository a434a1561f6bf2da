#include "host/services/searchrule.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace vnd;

namespace
{

TEST(SearchRule, FindsByTheBeginningWhateverCaseAndAccents)
{
    struct Case {
        const char *text, *wanted;
        bool found;
    } cases[] = {
        {"ÁGUA MINERAL 500ML", "agua", true},
        {"ÁGUA MINERAL 500ML", "ÁGUA MIN", true},
        {"AÇAÍ NA TIGELA 500ML", "agua", false}, // begins with "a", but not with "ag"
        {"AÇAÍ NA TIGELA 500ML", "acai", true},
        {"AÇAÍ NA TIGELA 500ML", "AÇAI N", true},
        {"PÃO DE QUEIJO", "pao", true},
        {"PASTEL DE CARNE", "pao", false},
        {"coração", "CORACAO", true},
        {"Crème brûlée", "creme BRU", true},
        {"MINERAL ÁGUA", "agua", false}, // inside the text is no beginning
        {"AGUA", "água mineral", false},
        {"", "a", false},
        {"1.01.001.0001", "1.01", true},
        {"1.01.001.0001", "101", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.wanted);
        EXPECT_EQ(beginsWith(QString::fromUtf8(c.text), QString::fromUtf8(c.wanted)), c.found);
    }
}

TEST(SearchRule, FirstMatchFromTheStartRoundToTheBeginningAndNoneLeavesNothing)
{
    const QStringList rows = {"AÇAÍ NA TIGELA", "ÁGUA COM GÁS", "ÁGUA MINERAL", "PASTEL",
                              "PÃO DE QUEIJO"};
    const auto find = [&rows](int start, const char *wanted) {
        return findFolded(
            int(rows.size()), start, searchFold(QString::fromUtf8(wanted)),
            [&rows](int row, const QString &w) { return searchFold(rows.at(row)).startsWith(w); });
    };
    struct Case {
        int start;
        const char *wanted;
        int row;
    } cases[] = {
        {0, "a", 0},   {0, "ag", 1},      {2, "agua", 2}, {3, "agua", 1},
        {0, "pao", 4}, {0, "pa", 3},      {4, "pa", 4},   {0, "zzz", -1},
        {0, "", -1},   {-1, "agua m", 2}, {9, "p", 3},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.start) + " " + c.wanted);
        EXPECT_EQ(find(c.start, c.wanted), c.row);
    }
}

} // namespace
