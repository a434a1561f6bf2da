// The values of a body counted as its bytes arrive, however they are split: the counts below
// are counted by hand from the bodies.

#include "wire/elementcounter.h"

#include <gtest/gtest.h>

namespace vnd::data
{
namespace
{

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray b;
    for (int c : list)
        b.append(char(c));
    return b;
}

const QByteArray kArgs = bytes({0xA1, 0x64, 'a', 'r', 'g', 's'}); // {"args": ...

TEST(ElementCounter, CountsEveryValueWhateverTheSplit)
{
    const struct {
        const char *label;
        Encoding enc;
        QByteArray body;
        qint64 values;
    } cases[] = {
        {"json empty args", Encoding::Json, R"({"args":[]})", 3},
        {"json scalars and a nested list", Encoding::Json,
         R"({"args":[1,"a,b",[true,null],-2.5e3]})", 9},
        {"json brackets and a quote inside a string", Encoding::Json, R"({"args":["q\"[,{"]})", 4},
        {"json escaped backslash ends its string", Encoding::Json, R"({"args":["\\",1]})", 5},
        {"json blanks between values", Encoding::Json, " { \"args\" : [ 0 ,\n0 ] } ", 5},
        {"cbor empty args", Encoding::Cbor, kArgs + bytes({0x80}), 3},
        {"cbor scalars and a nested list", Encoding::Cbor,
         kArgs + bytes({0x84, 0x01, 0x63, 'a', ',', 'b', 0x82, 0xF5, 0xF6, 0xF9, 0xC0, 0x00}), 9},
        {"cbor indefinite list and its break", Encoding::Cbor,
         kArgs + bytes({0x81, 0x9F, 0x00, 0x00, 0x00, 0xFF}), 8},
        {"cbor argument bytes are no values", Encoding::Cbor,
         kArgs + bytes({0x81, 0x19, 0x01, 0xF4}), 4},
        {"cbor text bytes are no values", Encoding::Cbor,
         kArgs + bytes({0x81, 0x78, 0x20}) + QByteArray(32, char(0x9F)), 4},
        {"cbor chunked text", Encoding::Cbor,
         kArgs + bytes({0x81, 0x7F, 0x61, 'a', 0x61, 'b', 0xFF}), 7},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        ElementCounter whole(c.enc, 100);
        EXPECT_TRUE(whole.feed(c.body.constData(), c.body.size()));
        EXPECT_EQ(whole.count(), c.values);
        for (qsizetype split = 1; split < c.body.size(); ++split) {
            ElementCounter parts(c.enc, 100);
            parts.feed(c.body.constData(), split);
            parts.feed(c.body.constData() + split, c.body.size() - split);
            EXPECT_EQ(parts.count(), c.values) << "split at " << split;
        }
    }
}

TEST(ElementCounter, RefusesPastItsLimitOnly)
{
    const QByteArray nine = R"({"args":[1,"a,b",[true,null],-2.5e3]})";
    EXPECT_TRUE(ElementCounter(Encoding::Json, 9).feed(nine.constData(), nine.size()));
    ElementCounter eight(Encoding::Json, 8);
    EXPECT_FALSE(eight.feed(nine.constData(), nine.size()));
    EXPECT_TRUE(eight.exceeded());
    // A flood of zeros in an indefinite CBOR list is refused once the limit is passed.
    const QByteArray flood = kArgs + bytes({0x81, 0x9F}) + QByteArray(1 << 20, '\0');
    ElementCounter counter(Encoding::Cbor, 1000);
    EXPECT_FALSE(counter.feed(flood.constData(), flood.size()));
}

} // namespace
} // namespace vnd::data
