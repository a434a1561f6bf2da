#include "wire/codec.h"

#include <QCborValue>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <random>

using namespace vnd::data;

namespace
{

const Encoding kEncodings[] = {Encoding::Json, Encoding::Cbor};

// The same structure in CBOR, so that structural cases run in both encodings.
QByteArray toCbor(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << json.toStdString();
    return doc.isArray() ? QCborValue::fromJsonValue(QJsonValue(doc.array())).toCbor()
                         : QCborValue::fromJsonValue(QJsonValue(doc.object())).toCbor();
}

enum class Entry { Request, Reply };

void decode(const QByteArray &body, Encoding enc, Entry entry)
{
    if (entry == Entry::Request)
        decodeRequest(body, enc);
    else
        decodeReply(body, enc);
}

// Must end in DecodeError: no other exception, no crash.
::testing::AssertionResult refused(const QByteArray &body, Encoding enc,
                                   Entry entry = Entry::Request)
{
    try {
        decode(body, enc, entry);
    } catch (const DecodeError &e) {
        if (e.message().isEmpty())
            return ::testing::AssertionFailure() << "empty message";
        return ::testing::AssertionSuccess();
    } catch (const std::exception &e) {
        return ::testing::AssertionFailure() << "wrong exception: " << e.what();
    }
    return ::testing::AssertionFailure() << "accepted";
}

QByteArray packetArg(const char *fields, const char *rows)
{
    return QByteArray(R"({"args":[{"packet":{"fields":)") + fields + R"(,"rows":)" + rows + "}}]}";
}

TEST(CodecHostile, MalformedStructureIsRefusedInBothEncodings)
{
    const char *f1 = R"([{"name":"A","type":"string","size":3}])";
    const char *fInt = R"([{"name":"A","type":"integer"}])";
    const char *fBool = R"([{"name":"A","type":"boolean"}])";
    const char *fDate = R"([{"name":"A","type":"date"}])";
    const char *fDt = R"([{"name":"A","type":"datetime"}])";
    const char *fFloat = R"([{"name":"A","type":"float"}])";
    struct Case {
        const char *label;
        QByteArray json;
        Entry entry = Entry::Request;
    };
    const Case cases[] = {
        {"request is a list", "[1,2]"},
        {"args not a list", R"({"args":5})"},
        {"unknown value kind", R"({"args":[{"money":"1"}]})"},
        {"empty object value", R"({"args":[{}]})"},
        {"typed value with extra key", R"({"args":[{"date":"2024-01-01","x":1}]})"},
        {"date of a day that does not exist", R"({"args":[{"date":"2024-02-30"}]})"},
        {"date without padding", R"({"args":[{"date":"2024-1-5"}]})"},
        {"date with trailing text", R"({"args":[{"date":"2024-01-05x"}]})"},
        {"date as number", R"({"args":[{"date":20240105}]})"},
        {"year zero", R"({"args":[{"date":"0000-01-01"}]})"},
        {"hour 24", R"({"args":[{"datetime":"2024-01-01T24:00:00"}]})"},
        {"datetime with blank", R"({"args":[{"datetime":"2024-01-01 10:00:00"}]})"},
        {"packet without fields", R"({"args":[{"packet":{"rows":[]}}]})"},
        {"packet not an object", R"({"args":[{"packet":[]}]})"},
        {"unknown field type", packetArg(R"([{"name":"A","type":"money"}])", "[]")},
        {"field without name", packetArg(R"([{"type":"string"}])", "[]")},
        {"field with empty name", packetArg(R"([{"name":"","type":"string"}])", "[]")},
        {"field without type", packetArg(R"([{"name":"A"}])", "[]")},
        {"negative size", packetArg(R"([{"name":"A","type":"string","size":-1}])", "[]")},
        {"size as text", packetArg(R"([{"name":"A","type":"string","size":"3"}])", "[]")},
        {"duplicate field names",
         packetArg(R"([{"name":"A","type":"string"},{"name":"a","type":"integer"}])", "[]")},
        {"row too short", packetArg(f1, "[[]]")},
        {"row too long", packetArg(f1, R"([["a","b"]])")},
        {"row not a list", packetArg(f1, R"(["a"])")},
        {"nested value in row", packetArg(f1, R"([[["a"]]])")},
        {"object in row", packetArg(f1, R"([[{"date":"2024-01-01"}]])")},
        {"fraction in integer field", packetArg(fInt, "[[3.5]]")},
        {"text in integer field", packetArg(fInt, R"([["3"]])")},
        {"number in text field", packetArg(f1, "[[5]]")},
        {"flag text in boolean field", packetArg(fBool, R"([["S"]])")},
        {"number in boolean field", packetArg(fBool, "[[1]]")},
        {"bad month in date field", packetArg(fDate, R"([["2024-13-01"]])")},
        {"datetime in date field", packetArg(fDate, R"([["2024-01-01T00:00:00"]])")},
        {"date in datetime field", packetArg(fDt, R"([["2024-01-01"]])")},
        {"text in float field", packetArg(fFloat, R"([["1.5"]])")},
        {"rows not a list", packetArg(f1, R"({"a":1})")},
        {"unknown change op", QByteArray(R"({"args":[{"delta":{"fields":)") + f1 +
                                  R"(,"changes":[{"op":"upsert","new":["a"]}]}}]})"},
        {"insert carrying old row",
         QByteArray(R"({"args":[{"delta":{"fields":)") + f1 +
             R"(,"changes":[{"op":"insert","old":["a"],"new":["a"]}]}}]})"},
        {"modify without old row", QByteArray(R"({"args":[{"delta":{"fields":)") + f1 +
                                       R"(,"changes":[{"op":"modify","new":["a"]}]}}]})"},
        {"delete row too wide", QByteArray(R"({"args":[{"delta":{"fields":)") + f1 +
                                    R"(,"changes":[{"op":"delete","old":["a","b"]}]}}]})"},
        {"delta without fields", R"({"args":[{"delta":{"changes":[]}}]})"},
        {"reply without ok", R"({"result":null,"refs":[]})", Entry::Reply},
        {"reply ok as text", R"({"ok":"true"})", Entry::Reply},
        {"reply message not text", R"({"ok":false,"error":{"code":"x","message":5}})",
         Entry::Reply},
        {"reply refs not a list", R"({"ok":true,"result":null,"refs":{}})", Entry::Reply},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_TRUE(refused(c.json, Encoding::Json, c.entry)) << "json";
        EXPECT_TRUE(refused(toCbor(c.json), Encoding::Cbor, c.entry)) << "cbor";
    }
}

TEST(CodecHostile, MalformedJsonTextIsRefused)
{
    const std::pair<const char *, QByteArray> cases[] = {
        {"empty body", ""},
        {"blank body", "  \n"},
        {"bad UTF-8 pair", "{\"args\":[\"\xC3\x28\"]}"},
        {"overlong slash", "{\"args\":[\"\xC0\xAF\"]}"},
        {"encoded surrogate", "{\"args\":[\"\xED\xA0\x80\"]}"},
        {"beyond U+10FFFF", "{\"args\":[\"\xF4\x90\x80\x80\"]}"},
        {"truncated sequence", "{\"args\":[\"\xE2\x82\"]}"},
        {"lone continuation byte", "{\"args\":[\"\x80\"]}"},
        {"bad UTF-8 after an escape", "{\"args\":[\"\\n\xFF\"]}"},
        {"bad UTF-8 in a key", "{\"ar\xFFgs\":[]}"},
        {"lone high surrogate escape", R"({"args":["\ud800"]})"},
        {"lone low surrogate escape", R"({"args":["\udc00"]})"},
        {"high surrogate then letter", R"({"args":["\ud800\u0041"]})"},
        {"bad escape", R"({"args":["\x"]})"},
        {"short unicode escape", R"({"args":["\u12"]})"},
        {"raw control character", "{\"args\":[\"a\x01\"]}"},
        {"leading zero", R"({"args":[01]})"},
        {"dot without digits", R"({"args":[1.]})"},
        {"leading dot", R"({"args":[.5]})"},
        {"lone minus", R"({"args":[-]})"},
        {"exponent without digits", R"({"args":[1e]})"},
        {"plus sign", R"({"args":[+1]})"},
        {"integer overflow", R"({"args":[9223372036854775808]})"},
        {"float overflow", R"({"args":[1e999]})"},
        {"NaN literal", R"({"args":[NaN]})"},
        {"short literal", R"({"args":[nul]})"},
        {"trailing comma in list", R"({"args":[1,]})"},
        {"trailing comma in object", R"({"args":[],})"},
        {"missing colon", R"({"args" []})"},
        {"missing comma", R"({"args":[1 2]})"},
        {"unquoted key", R"({args:[]})"},
        {"single quotes", R"({'args':[]})"},
        {"trailing garbage", R"({"args":[]} x)"},
        {"two documents", R"({"args":[]}{"args":[]})"},
        {"deep nesting", "{\"args\":[" + QByteArray(100000, '[') + QByteArray(100000, ']') + "]}"},
        {"deep typed nesting",
         [] {
             QByteArray b = R"({"args":[)";
             for (int i = 0; i < 50000; ++i)
                 b += R"({"packet":)";
             return b + "}";
         }()},
    };
    for (const auto &[label, body] : cases) {
        SCOPED_TRACE(label);
        EXPECT_TRUE(refused(body, Encoding::Json));
    }
}

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray b;
    for (int c : list)
        b.append(char(c));
    return b;
}

// {"args": <item>}
QByteArray cborArgs(const QByteArray &item)
{
    return bytes({0xA1, 0x64, 'a', 'r', 'g', 's'}) + item;
}

TEST(CodecHostile, MalformedCborIsRefusedWithoutHugeAllocations)
{
    const QByteArray len2p40 = bytes({0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00});
    const std::pair<const char *, QByteArray> cases[] = {
        {"empty body", ""},
        {"array of 2^40 entries", cborArgs(bytes({0x9B}) + len2p40 + bytes({0xF6}))},
        {"rows of 2^40 entries", cborArgs(bytes({0x81, 0xA1, 0x66}) + "packet" +
                                          bytes({0xA1, 0x64}) + "rows" + bytes({0x9B}) + len2p40)},
        {"map of 2^40 entries", bytes({0xBB}) + len2p40},
        {"text of 2^40 bytes", cborArgs(bytes({0x81, 0x7B}) + len2p40 + "abc")},
        {"key of 2^40 bytes", bytes({0xA1, 0x7B}) + len2p40 + "args"},
        {"text longer than the body", cborArgs(bytes({0x81, 0x78, 0xFF, 'a'}))},
        {"invalid UTF-8 text", cborArgs(bytes({0x81, 0x62, 0xC3, 0x28}))},
        {"encoded surrogate", cborArgs(bytes({0x81, 0x63, 0xED, 0xA0, 0x80}))},
        {"byte string", cborArgs(bytes({0x81, 0x41, 0x00}))},
        {"tag", cborArgs(bytes({0x81, 0xC1, 0x00}))},
        {"undefined", cborArgs(bytes({0x81, 0xF7}))},
        {"simple value", cborArgs(bytes({0x81, 0xF0}))},
        {"unsigned beyond int64",
         cborArgs(bytes({0x81, 0x1B, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}))},
        {"negative beyond int64",
         cborArgs(bytes({0x81, 0x3B, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}))},
        {"NaN", cborArgs(bytes({0x81, 0xF9, 0x7E, 0x00}))},
        {"indefinite list never closed", cborArgs(bytes({0x9F, 0x01, 0x02}))},
        {"integer key", bytes({0xA1, 0x01, 0x80})},
        {"trailing bytes", cborArgs(bytes({0x80, 0x00}))},
        {"reserved additional info", cborArgs(bytes({0x81, 0x1C}))},
        {"deep nesting", cborArgs(QByteArray(100000, char(0x81)) + bytes({0xF6}))},
    };
    for (const auto &[label, body] : cases) {
        SCOPED_TRACE(label);
        EXPECT_TRUE(refused(body, Encoding::Cbor));
    }
    // The extreme integers themselves are fine.
    EXPECT_EQ(
        decodeValue(bytes({0x3B, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), Encoding::Cbor)
            .toInteger(),
        std::numeric_limits<qint64>::min());
}

QByteArray validBody(Encoding enc)
{
    DataPacket p;
    p.fields = {{"S", FieldType::String, 10},  {"I", FieldType::Integer, 0},
                {"F", FieldType::Float, 0},    {"D", FieldType::Date, 0},
                {"T", FieldType::DateTime, 0}, {"B", FieldType::Boolean, 0}};
    p.rows.push_back({QString("ção \"x\""), qlonglong(-5), 0.1, QDate(2024, 1, 2),
                      QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)), true});
    p.rows.push_back({QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant()});
    ChangeSet d;
    d.fields = p.fields;
    d.changes.push_back({Change::Op::Modify, p.rows[0], p.rows[1]});
    return encodeRequest({Value(p), Value(d), Value(QDate(2024, 5, 6)), Value("é"), Value(1.5),
                          Value(ValueArray{Value(true), Value()})},
                         enc);
}

TEST(CodecHostile, CborTextInChunksIsJoined)
{
    // "ab" + "c" as an indefinite-length text, alone and as a packet's cell.
    const QByteArray chunked = bytes({0x7F, 0x62, 'a', 'b', 0x61, 'c', 0xFF});
    EXPECT_EQ(decodeValue(chunked, Encoding::Cbor).toString(), QStringLiteral("abc"));
    const QByteArray packet =
        bytes({0xA1, 0x66, 'p',  'a',  'c', 'k', 'e', 't',  0xA2, 0x66, 'f',  'i', 'e',  'l', 'd',
               's',  0x81, 0xA2, 0x64, 'n', 'a', 'm', 'e',  0x61, 'A',  0x64, 't', 'y',  'p', 'e',
               0x66, 's',  't',  'r',  'i', 'n', 'g', 0x64, 'r',  'o',  'w',  's', 0x81, 0x81}) +
        chunked;
    const DataPacket p = decodeValue(packet, Encoding::Cbor).packet();
    ASSERT_EQ(p.rows.size(), 1u);
    EXPECT_EQ(p.rows[0].at(0), QVariant(QStringLiteral("abc")));
}

TEST(CodecHostile, EveryTruncationOfAValidBodyIsRefused)
{
    for (Encoding enc : kEncodings) {
        const QByteArray body = validBody(enc);
        ASSERT_NO_THROW(decodeRequest(body, enc));
        for (qsizetype n = 0; n < body.size(); ++n) {
            SCOPED_TRACE(n);
            ASSERT_TRUE(refused(body.left(n), enc)) << (enc == Encoding::Json ? "json" : "cbor");
        }
    }
}

TEST(CodecHostile, CorruptedBytesEndInDecodeErrorOrAValue)
{
    std::mt19937 rng(4270);
    for (Encoding enc : kEncodings) {
        const QByteArray body = validBody(enc);
        std::uniform_int_distribution<qsizetype> pos(0, body.size() - 1);
        std::uniform_int_distribution<int> byte(0, 255);
        for (int i = 0; i < 3000; ++i) {
            QByteArray mutated = body;
            for (int k = 0; k < 1 + i % 3; ++k)
                mutated[pos(rng)] = char(byte(rng));
            try {
                decodeRequest(mutated, enc);
            } catch (const DecodeError &) {
            } catch (const std::exception &e) {
                FAIL() << "wrong exception: " << e.what() << " for " << mutated.toHex().data();
            }
        }
    }
}

} // namespace
