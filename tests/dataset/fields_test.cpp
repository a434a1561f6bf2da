#include "datasetfixture.h"

#include <gtest/gtest.h>

using namespace vnd::data;
using namespace vnd::data::test;

TEST(DataSetFields, FoundByNameInAnyCase)
{
    auto ds = tableDataSet({"001"});
    EXPECT_EQ(ds->findField(u"nmtabeprec"), &ds->field(1));
    EXPECT_EQ(&ds->fieldByName(u"VrPreco"), &ds->field(2));
    EXPECT_EQ(ds->findField(u"NAOHA"), nullptr);
    EXPECT_THROW(ds->fieldByName(u"NAOHA"), vnd::Error);
    EXPECT_EQ(ds->field(2).displayLabel, "VRPRECO");
}

TEST(DataSetFields, DefaultTexts)
{
    struct Case {
        FieldType type;
        QVariant value;
        QString text;
    };
    const std::vector<Case> cases = {
        {FieldType::Float, QVariant(), ""},
        {FieldType::Float, 0.0, "0"},
        {FieldType::Float, -0.0, "0"},
        {FieldType::Float, 12.5, "12.5"},
        {FieldType::Float, 12.34, "12.34"},
        {FieldType::Float, 999999999999999.0, "999999999999999"},
        {FieldType::Integer, qlonglong(-42), "-42"},
        {FieldType::Date, QDate(2024, 3, 5), "05/03/2024"},
        {FieldType::DateTime, QDateTime(QDate(2024, 3, 5), QTime(0, 0)), "05/03/2024"},
        {FieldType::DateTime, QDateTime(QDate(2024, 3, 5), QTime(10, 30)), "05/03/2024 10:30:00"},
        {FieldType::FixedString, QStringLiteral("12  "), "12"},
        {FieldType::String, QStringLiteral("12  "), "12  "},
        {FieldType::String, QString(""), ""},
        {FieldType::Boolean, true, "Sim"},
    };
    for (const Case &c : cases) {
        ClientDataSet ds;
        Field &f = ds.addField(QStringLiteral("F"), c.type, 10);
        DataPacket p;
        p.fields = {{"F", c.type, 10}};
        p.rows.push_back(Row{c.value});
        ds.loadPacket(p);
        EXPECT_EQ(f.displayText(), c.text) << c.text.toStdString();
        EXPECT_EQ(f.text(), c.text);
        EXPECT_EQ(f.asString(), c.text);
        EXPECT_EQ(ds.textAt(0, 0, true), c.text);
    }
}

TEST(DataSetFields, FixedWidthTextIsReadWithoutTrailingBlanks)
{
    ClientDataSet ds;
    Field &f = ds.addField(QStringLiteral("CDPRODUTO"), FieldType::FixedString, 10);
    DataPacket p;
    p.fields = {{"CDPRODUTO", FieldType::FixedString, 10}};
    p.rows.push_back(Row{QStringLiteral("123       ")});
    ds.loadPacket(p);
    EXPECT_EQ(f.value().toString(), "123");
    EXPECT_EQ(ds.valueAt(0, 0).toString(), "123");
    EXPECT_EQ(f.oldValue().toString(), "123");
    // The stored value travels unchanged.
    EXPECT_EQ(ds.toPacket().rows[0][0].toString(), "123       ");
}

TEST(DataSetFields, NullAndEmptyTextStayApart)
{
    auto ds = tableDataSet({"001"});
    Field &name = ds->fieldByName(u"NMTABEPREC");
    Field &price = ds->fieldByName(u"VRPRECO");
    Field &date = ds->fieldByName(u"DTINI");
    ds->edit();
    name.setAsString(QString());
    price.setAsString(QString());
    date.setAsString(QStringLiteral("  /  /    "));
    EXPECT_FALSE(name.isNull());
    EXPECT_TRUE(price.isNull());
    EXPECT_TRUE(date.isNull());
    EXPECT_EQ(price.text(), "");
    EXPECT_EQ(price.asFloat(), 0);
    price.setAsFloat(0);
    EXPECT_FALSE(price.isNull());
    EXPECT_EQ(price.text(), "0");
    ds->post();
    EXPECT_EQ(ds->delta().changes[0].newRow[1], QVariant(QString("")));
}

TEST(DataSetFields, TypedTextIsParsedByType)
{
    struct Case {
        const char *field;
        const char *text;
        QVariant expected; // invalid: refused
    };
    const std::vector<Case> cases = {
        {"VRPRECO", "12,5", 12.5},
        {"VRPRECO", "1.234,56", 1234.56},
        {"VRPRECO", "12.349", 12.349},
        {"VRPRECO", "-0,01", -0.01},
        {"VRPRECO", " 0,1 ", 0.1},
        {"VRPRECO", "1-2", QVariant()},
        {"VRPRECO", "1,2,3", QVariant()},
        {"VRPRECO", "doze", QVariant()},
        {"DTINI", "05/03/2024", QDate(2024, 3, 5)},
        {"DTINI", "5/3/2024", QDate(2024, 3, 5)},
        {"DTINI", "31/02/2024", QVariant()},
        {"CDTABEPREC", "12345", QString("123")}, // cut to the field's size
        {"CDTABEPREC", " 1 ", QString(" 1 ")},
    };
    for (const Case &c : cases) {
        auto ds = tableDataSet({"001"});
        ds->edit();
        Field &f = ds->fieldByName(QString::fromLatin1(c.field));
        const QVariant before = f.value();
        if (!c.expected.isValid()) {
            EXPECT_THROW(f.setAsString(QString::fromLatin1(c.text)), vnd::Error) << c.text;
            EXPECT_EQ(f.value(), before) << c.text;
            continue;
        }
        f.setAsString(QString::fromLatin1(c.text));
        EXPECT_EQ(f.value(), c.expected) << c.text;
    }
}

TEST(DataSetFields, TextHooksMapCodes)
{
    auto ds = tableDataSet({"001"});
    Field &f = ds->fieldByName(u"NMTABEPREC");
    const QStringList codes = {"1", "2"}, texts = {"Pendente", "Liberada"};
    f.onGetText = [&](const Field &fd, bool) {
        const int i = codes.indexOf(fd.asString());
        return i < 0 ? QString() : texts[i];
    };
    f.onSetText = [&](Field &fd, const QString &t) {
        const int i = texts.indexOf(t);
        if (i >= 0)
            fd.setValue(codes[i]);
    };
    EXPECT_EQ(f.displayText(), ""); // "Tabela 001" is no code
    ds->edit();
    f.setText(QStringLiteral("Liberada"));
    EXPECT_EQ(f.value().toString(), "2");
    f.setText(QStringLiteral("liberada")); // not in the table: left as it was
    EXPECT_EQ(f.value().toString(), "2");
    EXPECT_EQ(f.displayText(), "Liberada");
    EXPECT_EQ(ds->textAt(0, f.index(), false), "Liberada");
}

TEST(DataSetFields, CalculatedFieldsFollowTheirRecord)
{
    ClientDataSet ds;
    ds.addField(QStringLiteral("CDTABEPREC"), FieldType::String, 3);
    Field &price = ds.addField(QStringLiteral("VRPRECO"), FieldType::Float);
    Field &twice = ds.addCalculatedField(QStringLiteral("DOBRO"), FieldType::Float);
    int runs = 0;
    ds.onCalcFields = [&](ClientDataSet &d) {
        ++runs;
        d.fieldByName(u"DOBRO").setValue(d.fieldByName(u"VRPRECO").asFloat() * 2);
    };
    DataPacket p = tablePacket({"001", "002", "003"});
    ds.loadPacket(p);
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(ds.valueAt(2, twice.index()).toDouble(), 6);
    EXPECT_EQ(ds.fieldCount(), 5); // NMTABEPREC and DTINI added after the declared ones
    EXPECT_FALSE(ds.fieldByName(u"DTINI").visible);
    EXPECT_EQ(ds.fieldByName(u"DTINI").index(), 4);
    EXPECT_EQ(ds.toPacket().fields.size(), 4);

    ds.edit();
    price.setValue(10.0);
    EXPECT_EQ(twice.asFloat(), 20); // recomputed while typing
    ds.cancel();
    EXPECT_EQ(twice.asFloat(), 2);
    ds.edit();
    price.setValue(7.0);
    ds.post();
    EXPECT_EQ(twice.asFloat(), 14);
    EXPECT_EQ(ds.valueAt(0, twice.index()).toDouble(), 14);
    ds.next();
    EXPECT_EQ(twice.asFloat(), 4);
    EXPECT_THROW(twice.setValue(1.0), vnd::Error);
}

TEST(DataSetFields, PacketMustCarryTheDeclaredFields)
{
    ClientDataSet ds;
    ds.addField(QStringLiteral("cdtabeprec"), FieldType::FixedString, 3);
    ds.addField(QStringLiteral("DTINI"), FieldType::DateTime);
    DataPacket p = tablePacket({"001", "002"});
    ds.loadPacket(p); // names match in any case, a date loads into a date-time field
    EXPECT_EQ(ds.fieldByName(u"DTINI").asDateTime(), QDateTime(QDate(2024, 1, 1), QTime(0, 0)));

    DataPacket missing = tablePacket({"009"});
    missing.fields.removeAt(3);
    for (Row &r : missing.rows)
        r.removeAt(3);
    EXPECT_THROW(ds.loadPacket(missing), vnd::Error);
    DataPacket shortRow = tablePacket({"009"});
    shortRow.rows[0].removeLast();
    EXPECT_THROW(ds.loadPacket(shortRow), vnd::Error);
    DataPacket badValue = tablePacket({"009"});
    badValue.rows[0][3] = QStringLiteral("ontem");
    EXPECT_THROW(ds.loadPacket(badValue), vnd::Error);
    // Refused packets leave the dataset as it was.
    EXPECT_EQ(codes(ds), QStringList({"001", "002"}));
}

TEST(DataSetFields, RowScopeReadsAnotherRowWithoutScrolling)
{
    auto ds = tableDataSet({"001", "002", "003"});
    int scrolls = 0;
    ds->afterScroll = [&](ClientDataSet &) { ++scrolls; };
    Field &code = ds->fieldByName(u"CDTABEPREC");
    ds->edit();
    code.setValue(QStringLiteral("100"));
    {
        ClientDataSet::RowScope outer(*ds, 2);
        EXPECT_EQ(code.asString(), "003");
        {
            ClientDataSet::RowScope inner(*ds, 0);
            EXPECT_EQ(code.asString(), "100"); // the row being edited shows what was typed
        }
        EXPECT_EQ(code.asString(), "003");
        ClientDataSet::RowScope outside(*ds, 7);
        EXPECT_TRUE(code.isNull());
    }
    EXPECT_EQ(code.asString(), "100");
    EXPECT_EQ(ds->recNo(), 0);
    EXPECT_EQ(scrolls, 0);
    EXPECT_EQ(ds->valueAt(0, 0).toString(), "100");
    EXPECT_EQ(ds->valueAt(1, 0).toString(), "002");
    EXPECT_FALSE(ds->valueAt(3, 0).isValid());
}
