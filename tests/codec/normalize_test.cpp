#include "wire/packet.h"

#include <gtest/gtest.h>

#include <limits>

using namespace vnd::data;

namespace
{

struct Case {
    const char *label;
    FieldType type;
    QVariant in;
    bool ok;
    QVariant out; // expected when ok, type included
};

TEST(NormalizeValue, ConvertsToTheFieldRepresentationOrRefuses)
{
    const QDate day(2024, 3, 9);
    const Case cases[] = {
        {"null stays null", FieldType::Integer, QVariant(), true, QVariant()},
        {"text", FieldType::String, QString("abc "), true, QString("abc ")},
        {"fixed keeps blanks", FieldType::FixedString, QString("1  "), true, QString("1  ")},
        {"int to text", FieldType::String, 12, true, QString("12")},
        {"float to text", FieldType::String, 0.1, true, QString("0.1")},
        {"date to text refused", FieldType::String, day, false, {}},
        {"int widened", FieldType::Integer, int(7), true, qlonglong(7)},
        {"whole double", FieldType::Integer, 7.0, true, qlonglong(7)},
        {"fraction refused", FieldType::Integer, 7.5, false, {}},
        {"huge double refused", FieldType::Integer, 1e19, false, {}},
        {"huge unsigned refused",
         FieldType::Integer,
         QVariant::fromValue(std::numeric_limits<qulonglong>::max()),
         false,
         {}},
        {"integer text", FieldType::Integer, QString(" 42 "), true, qlonglong(42)},
        {"empty text is no integer", FieldType::Integer, QString(""), true, QVariant()},
        {"bad integer text", FieldType::Integer, QString("4x"), false, {}},
        {"int to float", FieldType::Float, 3, true, 3.0},
        {"numeric text to float", FieldType::Float, QString("12.50"), true, 12.5},
        {"comma text refused", FieldType::Float, QString("12,50"), false, {}},
        {"infinite refused", FieldType::Float, std::numeric_limits<double>::infinity(), false, {}},
        {"bool to float refused", FieldType::Float, true, false, {}},
        {"date", FieldType::Date, day, true, day},
        {"invalid date is null", FieldType::Date, QDate(), true, QVariant()},
        {"datetime to date", FieldType::Date, QDateTime(day, QTime(13, 0)), true, day},
        {"date text", FieldType::Date, QString("2024-03-09"), true, day},
        {"date text with time", FieldType::Date, QString("2024-03-09 00:00:00"), true, day},
        {"impossible date text", FieldType::Date, QString("2024-02-30"), false, {}},
        {"date to datetime", FieldType::DateTime, day, true, QDateTime(day, QTime(0, 0))},
        {"datetime text", FieldType::DateTime, QString("2024-03-09T10:11:12"), true,
         QDateTime(day, QTime(10, 11, 12))},
        {"garbage datetime", FieldType::DateTime, QString("amanhã"), false, {}},
        {"bool", FieldType::Boolean, false, true, false},
        {"one is true", FieldType::Boolean, 1, true, true},
        {"two refused", FieldType::Boolean, 2, false, {}},
        {"true text", FieldType::Boolean, QString("true"), true, true},
        {"flag text refused", FieldType::Boolean, QString("S"), false, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        QVariant v = c.in;
        ASSERT_EQ(normalizeValue(c.type, v), c.ok);
        if (!c.ok) {
            EXPECT_EQ(v, c.in) << "a refused value is left as it was";
            continue;
        }
        EXPECT_EQ(v.isNull(), c.out.isNull());
        EXPECT_EQ(v.typeId(), c.out.typeId());
        EXPECT_EQ(v, c.out);
    }
}

TEST(FieldTypeNames, RoundTripAndUnknownNames)
{
    for (FieldType t : {FieldType::String, FieldType::FixedString, FieldType::Integer,
                        FieldType::Float, FieldType::Date, FieldType::DateTime, FieldType::Boolean})
        EXPECT_EQ(fieldTypeFromName(fieldTypeName(t)), t);
    EXPECT_THROW(fieldTypeFromName("String"), std::invalid_argument);
    EXPECT_THROW(fieldTypeFromName(""), std::invalid_argument);
}

} // namespace
