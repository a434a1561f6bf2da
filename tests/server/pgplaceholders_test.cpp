// Statements written with "?" reach libpq with numbered placeholders, quoted parts untouched.

#include "server/pgplaceholders.h"

#include <gtest/gtest.h>

namespace vnd::server::test
{
namespace
{

TEST(PgPlaceholders, NumbersEveryPlaceholderOutsideQuotesAndComments)
{
    const struct {
        const char *sql;
        const char *expected;
    } cases[] = {
        {"SELECT 1", "SELECT 1"},
        {"A = ? AND B = ?", "A = $1 AND B = $2"},
        {"CAST(? AS TEXT) || '?' || ?", "CAST($1 AS TEXT) || '?' || $2"},
        {"'it''s ?' = ?", "'it''s ?' = $1"},
        {"\"a?b\" = ?", "\"a?b\" = $1"},
        {"? -- why?\n, ?", "$1 -- why?\n, $2"},
        {"? /* a ? here */ ?", "$1 /* a ? here */ $2"},
        {"'não ? fechado", "'não ? fechado"},
        {"NMPRODUTO = ? -- ção", "NMPRODUTO = $1 -- ção"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(numberedPlaceholders(QString::fromUtf8(c.sql)), QByteArray(c.expected)) << c.sql;
}

} // namespace
} // namespace vnd::server::test
