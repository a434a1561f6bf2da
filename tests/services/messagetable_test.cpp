#include "pricing/messagetable.h"

#include <gtest/gtest.h>

using namespace vnd;

namespace
{

TEST(MessageTable, LooksUpByKeySplittingAtTheFirstBar)
{
    const MessageTable table({
        "VrCons_Zero|Valor consumidor deve ser maior que zero.",
        "Lista|Escolha A|B|C",
        "Vazio|",
        "SemBarra",
        "VrCons_Zero|repetida, ignorada",
        " Espaco |Com espaço.",
    });
    struct Case {
        const char *key;
        const char *text;
        bool present;
    } cases[] = {
        {"VrCons_Zero", "Valor consumidor deve ser maior que zero.", true},
        {"vrcons_zero", "Valor consumidor deve ser maior que zero.", true},
        {"Lista", "Escolha A|B|C", true},
        {"Vazio", "", true},
        {"SemBarra", "", true},
        {"Espaco", "Com espaço.", true},
        {"Ausente", "", false},
        {"", "", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(table.msg(QString::fromUtf8(c.key)), QString::fromUtf8(c.text));
        EXPECT_EQ(table.contains(QString::fromUtf8(c.key)), c.present);
    }
    EXPECT_EQ(table.keys(), QStringList({"VrCons_Zero", "Lista", "Vazio", "SemBarra", "Espaco"}));
}

TEST(MessageTable, ExactKeyWinsOverCaseInsensitiveMatch)
{
    const MessageTable table({"abc|primeira", "ABC|segunda"});
    EXPECT_EQ(table.msg("ABC"), "segunda");
    EXPECT_EQ(table.msg("abc"), "primeira");
    EXPECT_EQ(table.msg("Abc"), "primeira");
}

} // namespace
