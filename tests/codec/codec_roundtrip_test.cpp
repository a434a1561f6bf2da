#include "host/services/errors.h"
#include "tests/codec/valuecompare.h"
#include "wire/bodyfeed.h"
#include "wire/codec.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cfloat>
#include <cmath>
#include <thread>

using namespace vnd::data;
using vnd::data::test::sameValue;

namespace
{

const Encoding kEncodings[] = {Encoding::Json, Encoding::Cbor};

const char *name(Encoding e)
{
    return e == Encoding::Json ? "json" : "cbor";
}

DataPacket samplePacket()
{
    DataPacket p;
    p.fields = {{"NMPRODUTO", FieldType::String, 50}, {"CDPRODUTO", FieldType::FixedString, 10},
                {"NRCOMP", FieldType::Integer, 0},    {"VRPRECITEM", FieldType::Float, 0},
                {"DTINIVGPREC", FieldType::Date, 0},  {"DTALT", FieldType::DateTime, 0},
                {"IDATIVO", FieldType::Boolean, 0}};
    p.rows.push_back({QString("Café \"especial\"\n\t\\/ ☕ 𝄞"), QString("12        "),
                      qlonglong(-9223372036854775807LL - 1), 1.15, QDate(2024, 2, 29),
                      QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59)), true});
    // No value is not an empty text.
    p.rows.push_back(
        {QString(""), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant()});
    p.rows.push_back({QVariant(), QString("   "), qlonglong(9223372036854775807LL), -0.0,
                      QDate(1, 1, 1), QDateTime(QDate(9999, 12, 31), QTime(0, 0)), false});
    p.rows.push_back({QString(QChar(0x01)) + QChar(0x1F) + QChar(0x7F), QString("x"), qlonglong(0),
                      DBL_MAX, QDate(2000, 1, 1), QDateTime(QDate(2024, 6, 1), QTime(12, 0, 1)),
                      true});
    return p;
}

ChangeSet sampleDelta()
{
    const DataPacket p = samplePacket();
    ChangeSet d;
    d.fields = p.fields;
    d.changes.push_back({Change::Op::Insert, {}, p.rows[0]});
    d.changes.push_back({Change::Op::Modify, p.rows[1], p.rows[2]});
    d.changes.push_back({Change::Op::Delete, p.rows[3], {}});
    return d;
}

std::vector<std::pair<const char *, Value>> sampleValues()
{
    return {
        {"null", Value()},
        {"true", Value(true)},
        {"false", Value(false)},
        {"zero", Value(0)},
        {"int min", Value(qint64(-9223372036854775807LL - 1))},
        {"int max", Value(qint64(9223372036854775807LL))},
        {"0.1", Value(0.1)},
        {"1e-300", Value(1e-300)},
        {"1.15", Value(1.15)},
        {"123456789.123456789", Value(123456789.123456789)},
        {"-0.0", Value(-0.0)},
        {"DBL_MAX", Value(DBL_MAX)},
        {"-DBL_MAX", Value(-DBL_MAX)},
        {"denormal", Value(4.9406564584124654e-324)},
        {"whole float", Value(3.0)},
        {"empty text", Value(QString(""))},
        {"blank text", Value(QString("abc   "))},
        {"unicode", Value(QString("ação ñ € 𝄞 \u2028"))},
        {"escapes", Value(QString("\"\\/\b\f\n\r\t\x01"))},
        {"date", Value(QDate(2024, 12, 31))},
        {"datetime", Value(QDateTime(QDate(2024, 3, 10), QTime(2, 30, 0)))},
        {"packet", Value(samplePacket())},
        {"empty packet", Value(DataPacket{{{"A", FieldType::String, 1}}, {}})},
        {"delta", Value(sampleDelta())},
        {"array", Value(ValueArray{Value(samplePacket()), Value("texto"), Value(),
                                   Value(ValueArray{Value(1), Value(ValueArray{})})})},
    };
}

TEST(CodecRoundTrip, EveryValueKindIsExactInBothEncodings)
{
    for (Encoding enc : kEncodings) {
        for (const auto &[label, value] : sampleValues()) {
            SCOPED_TRACE(std::string(name(enc)) + " " + label);
            const QByteArray body = encodeValue(value, enc);
            Value back;
            ASSERT_NO_THROW(back = decodeValue(body, enc)) << body.toStdString();
            QString why;
            EXPECT_TRUE(sameValue(value, back, why)) << why.toStdString();
        }
    }
}

TEST(CodecRoundTrip, RequestAndReplyKeepEveryPart)
{
    const ValueArray args{Value("001"), Value(QDate(2024, 1, 2)), Value("4"), Value(""),
                          Value("T"),   Value(sampleDelta())};
    for (Encoding enc : kEncodings) {
        SCOPED_TRACE(name(enc));
        const ValueArray back = decodeRequest(encodeRequest(args, enc), enc);
        QString why;
        EXPECT_TRUE(sameValue(Value(args), Value(back), why)) << why.toStdString();

        Reply ok;
        ok.ok = true;
        ok.result = Value(samplePacket());
        ok.refs = {Value(), Value("NMPRODUTO|VRPRECITEMCMD|")};
        const Reply okBack = decodeReply(encodeReply(ok, enc), enc);
        EXPECT_TRUE(okBack.ok);
        EXPECT_TRUE(sameValue(ok.result, okBack.result, why)) << why.toStdString();
        EXPECT_TRUE(sameValue(Value(ok.refs), Value(okBack.refs), why)) << why.toStdString();

        Reply failed;
        failed.errorCode = "conflict";
        failed.errorMessage = "Registro alterado ou excluído por outro usuário.";
        const Reply failedBack = decodeReply(encodeReply(failed, enc), enc);
        EXPECT_FALSE(failedBack.ok);
        EXPECT_EQ(failedBack.errorCode, failed.errorCode);
        EXPECT_EQ(failedBack.errorMessage, failed.errorMessage);
    }
}

// The bytes come one at a time from another thread, each only once the reader waits for it,
// so every token is cut at every place.
Reply decodeTrickled(const QByteArray &body, Encoding enc)
{
    BodyFeed feed;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (const char c : body) {
            while (!feed.readerWaiting() && !done)
                std::this_thread::yield();
            feed.append(&c, 1);
        }
        feed.close();
    });
    Reply r;
    try {
        r = decodeReply(feed, enc);
    } catch (...) {
        done = true;
        writer.join();
        throw;
    }
    done = true;
    writer.join();
    return r;
}

TEST(CodecRoundTrip, AReplyReadWhileItsBytesArriveIsTheSameReply)
{
    ValueArray all;
    for (const auto &[label, value] : sampleValues())
        all.push_back(value);
    for (Encoding enc : kEncodings) {
        SCOPED_TRACE(name(enc));
        const Reply sent{true, Value(all), {Value(), Value("NMPRODUTO|")}, {}, {}, {}};
        const QByteArray body = encodeReply(sent, enc);
        Reply back;
        ASSERT_NO_THROW(back = decodeTrickled(body, enc));
        QString why;
        EXPECT_TRUE(back.ok);
        EXPECT_TRUE(sameValue(sent.result, back.result, why)) << why.toStdString();
        EXPECT_TRUE(sameValue(Value(sent.refs), Value(back.refs), why)) << why.toStdString();
        // Cut short or followed by more: refused, never a shorter or a first reply.
        EXPECT_THROW(decodeTrickled(body.left(body.size() - 1), enc), DecodeError);
        EXPECT_THROW(decodeTrickled(body + body.left(1), enc), DecodeError);
    }
    // Whitespace, escapes and a number split anywhere in a JSON body from another writer.
    const Reply other = decodeTrickled("\xEF\xBB\xBF{ \"ok\" : true ,\n \"result\" : "
                                       "[ \"\\u00e7\\ud834\\udd1e\" , -2.5E+3 ] }\n",
                                       Encoding::Json);
    ASSERT_EQ(other.result.array().size(), 2u);
    EXPECT_EQ(other.result.array()[0].toString(), QString::fromUtf8("ç𝄞"));
    EXPECT_EQ(other.result.array()[1].toFloat(), -2500.0);
}

TEST(CodecRoundTrip, JsonWireFormIsTheDocumentedOne)
{
    struct Case {
        const char *label;
        Value value;
        const char *json;
    };
    const Case cases[] = {
        {"date", Value(QDate(2024, 1, 5)), R"({"date":"2024-01-05"})"},
        {"datetime", Value(QDateTime(QDate(2024, 1, 5), QTime(8, 5, 9))),
         R"({"datetime":"2024-01-05T08:05:09"})"},
        {"float stays float", Value(3.0), "3.0"},
        {"negative zero", Value(-0.0), "-0.0"},
        {"shortest form", Value(0.1), "0.1"},
        {"integer", Value(42), "42"},
        {"control char", Value(QString("a\x01")), R"("a\u0001")"},
        {"packet",
         Value(DataPacket{{{"CDTABEPREC", FieldType::String, 3}, {"DT", FieldType::Date, 0}},
                          {{QString("001"), QDate(2024, 2, 1)}}}),
         R"({"packet":{"fields":[{"name":"CDTABEPREC","type":"string","size":3},)"
         R"({"name":"DT","type":"date","size":0}],"rows":[["001","2024-02-01"]]}})"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(encodeValue(c.value, Encoding::Json).toStdString(), std::string(c.json));
    }
}

TEST(CodecRoundTrip, JsonFromOtherWritersIsRead)
{
    // Scripts write indented JSON, escape freely and order keys as they like.
    const QByteArray body = "\xEF\xBB\xBF{\n  \"extra\" : {\"ignored\": [1, {\"a\": null}]},\n"
                            "  \"args\" : [ \"\\u00e7\\u00e3o\\/\\ud834\\udd1e\" , -12 , 2.5E+3 ,\n"
                            "    {\"packet\": {\"rows\": [[\"001\", 1.10]],\n"
                            "      \"fields\": [{\"size\": 3, \"type\": \"fixedstring\", "
                            "\"name\": \"CD\"}, {\"name\": \"VR\", \"type\": \"float\"}]}} ]\n}\n";
    const ValueArray args = decodeRequest(body, Encoding::Json);
    ASSERT_EQ(args.size(), 4u);
    EXPECT_EQ(args[0].toString(), QString::fromUtf8("ção/𝄞"));
    EXPECT_EQ(args[1].toInteger(), -12);
    EXPECT_EQ(args[2].toFloat(), 2500.0);
    const DataPacket &p = args[3].packet();
    EXPECT_EQ(p.fields.at(0), (FieldDef{"CD", FieldType::FixedString, 3}));
    EXPECT_EQ(p.rows.at(0).at(1), QVariant(1.1));
}

TEST(CodecRoundTrip, RowValuesFollowTheirFieldsWhenDecoded)
{
    const QByteArray fields = R"([{"name":"F","type":"float"},{"name":"I","type":"integer"},)"
                              R"({"name":"D","type":"date"},{"name":"T","type":"datetime"}])";
    // Keys may come in any order: rows before fields must convert the same way.
    for (bool rowsFirst : {false, true}) {
        const QByteArray rows = R"([[3, 7.0, "2024-02-29", "2024-02-29T23:00:01"]])";
        const QByteArray body =
            rowsFirst ? R"({"packet":{"rows":)" + rows + R"(,"fields":)" + fields + "}}"
                      : R"({"packet":{"fields":)" + fields + R"(,"rows":)" + rows + "}}";
        const Value v = decodeValue(body, Encoding::Json);
        const Row &row = v.packet().rows.at(0);
        EXPECT_EQ(row[0].typeId(), QMetaType::Double);
        EXPECT_EQ(row[0].toDouble(), 3.0);
        EXPECT_EQ(row[1].typeId(), QMetaType::LongLong);
        EXPECT_EQ(row[1].toLongLong(), 7);
        EXPECT_EQ(row[2].toDate(), QDate(2024, 2, 29));
        EXPECT_EQ(row[3].toDateTime(), QDateTime(QDate(2024, 2, 29), QTime(23, 0, 1)));
    }
}

TEST(CodecRoundTrip, ValuesHeldInAnotherRepresentationAreEncodedByFieldType)
{
    DataPacket p;
    p.fields = {{"F", FieldType::Float, 0},
                {"I", FieldType::Integer, 0},
                {"S", FieldType::String, 5},
                {"D", FieldType::Date, 0}};
    p.rows.push_back({int(2), 5.0, qlonglong(12), QString("2024-03-04")});
    for (Encoding enc : kEncodings) {
        const Row back = decodeValue(encodeValue(Value(p), enc), enc).packet().rows.at(0);
        EXPECT_EQ(back[0], QVariant(2.0));
        EXPECT_EQ(back[1], QVariant(qlonglong(5)));
        EXPECT_EQ(back[2], QVariant(QString("12")));
        EXPECT_EQ(back[3], QVariant(QDate(2024, 3, 4)));
    }
}

TEST(CodecRoundTrip, UnencodableValuesAreRefusedNotGuessed)
{
    DataPacket wrongWidth;
    wrongWidth.fields = {{"A", FieldType::String, 1}};
    wrongWidth.rows.push_back({QString("a"), QString("b")});
    DataPacket wrongType;
    wrongType.fields = {{"A", FieldType::Integer, 0}};
    wrongType.rows.push_back({QString("abc")});
    const std::pair<const char *, Value> cases[] = {
        {"row wider than fields", Value(wrongWidth)},
        {"text in integer field", Value(wrongType)},
        {"year beyond 9999", Value(QDate(10000, 1, 1))},
    };
    for (Encoding enc : kEncodings) {
        for (const auto &[label, value] : cases) {
            SCOPED_TRACE(std::string(name(enc)) + " " + label);
            EXPECT_THROW(encodeValue(value, enc), vnd::Error);
        }
    }
    for (Encoding enc : kEncodings) {
        EXPECT_THROW(encodeValue(Value(std::nan("")), enc), vnd::Error);
        EXPECT_THROW(encodeValue(Value(HUGE_VAL), enc), vnd::Error);
    }
}

} // namespace
