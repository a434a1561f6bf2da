#include "rulestestsupport.h"

#include "host/services/errors.h"
#include "pricetable/dayhourcodes.h"
#include "pricetable/dayhourrecord.h"

#include <gtest/gtest.h>

using namespace rulestest;
using namespace vnd::pricetable;
using vnd::data::ClientDataSet;
using vnd::data::DataSetState;

TEST(DayHourCodes, ShownTextsOfStoredCodes)
{
    struct Case {
        const char *field, *stored, *shown;
    };
    const Case cases[] = {
        {"NRDIASEMANPR", "1", "Domingo"},    {"NRDIASEMANPR", "3", "Terça"},
        {"NRDIASEMANPR", "7", "Sábado"},     {"NRDIASEMANPR", "V", "Véspera de Feriado"},
        {"NRDIASEMANPR", "F", "Feriado"},    {"NRDIASEMANPR", "T", "Todos os Dias"},
        {"NRDIASEMANPR", "8", ""},           {"NRDIASEMANPR", "", ""},
        {"IDPERVALORPR", "P", "Percentual"}, {"IDPERVALORPR", "V", "Valor fixo"},
        {"IDDESCACREPR", "D", "Desconto"},   {"IDDESCACREPR", "A", "Acréscimo"},
        {"IDDESCACREPR", "X", ""},           {"IDVISUACUPOM", "S", "Sim"},
        {"IDVISUACUPOM", "N", "Não"},
    };
    for (const Case &c : cases) {
        auto ds = precoHora({{{QString::fromLatin1(c.field), c.stored}}});
        EXPECT_EQ(ds->fieldByName(QString::fromLatin1(c.field)).displayText(), text(c.shown))
            << c.field << " " << c.stored;
    }
}

TEST(DayHourCodes, EnteredTextsStoreCodesCaseSensitively)
{
    struct Case {
        const char *field, *entered, *stored;
    };
    const Case cases[] = {
        {"NRDIASEMANPR", "Véspera de Feriado", "V"},
        {"NRDIASEMANPR", "todos os dias", "2"}, // unchanged
        {"NRDIASEMANPR", "Todos os Dias", "T"},
        {"IDPERVALORPR", "Valor fixo", "V"},
        {"IDPERVALORPR", "Percentual", "P"},
        {"IDDESCACREPR", "Acréscimo", "A"},
        {"IDDESCACREPR", "", "D"}, // unchanged
        {"IDVISUACUPOM", "Não", "N"},
    };
    for (const Case &c : cases) {
        auto ds = precoHora({{{"IDPERVALORPR", "X"}}});
        ds->edit();
        ds->fieldByName(QString::fromLatin1(c.field)).setText(text(c.entered));
        EXPECT_EQ(ds->fieldByName(QString::fromLatin1(c.field)).asString(), c.stored)
            << c.field << " " << c.entered;
    }
}

TEST(DayHourCodes, PickListsHoldTheShownTextsInOrder)
{
    EXPECT_EQ(
        codePickList(diaSemanaCodes(), messages()),
        QStringList({"Domingo", "Segunda", text("Terça"), "Quarta", "Quinta", "Sexta",
                     text("Sábado"), text("Véspera de Feriado"), "Feriado", "Todos os Dias"}));
    EXPECT_EQ(codePickList(perValorCodes(), messages()), QStringList({"Percentual", "Valor fixo"}));
    EXPECT_EQ(codePickList(descAcreCodes(), messages()),
              QStringList({"Desconto", text("Acréscimo")}));
    EXPECT_EQ(codePickList(visualizaCodes(), messages()), QStringList({"Sim", text("Não")}));
    // Every listed text is taken back by the set-text rule.
    for (const QString &shown : codePickList(diaSemanaCodes(), messages()))
        EXPECT_TRUE(codeOfText(diaSemanaCodes(), shown, messages()).has_value());
}

TEST(DayHourRecord, NewRuleDefaultsAndItsPrerequisite)
{
    auto ds = precoHora({});
    CurrentItem item = currentItemOf(*itemPreco({{"VRPRECITEM", QVariant()}}));
    ds->beforeInsert = [&](ClientDataSet &) { precoHoraBeforeInsert(item, messages()); };
    ds->onNewRecord = precoHoraNewRecord;

    const Outcome refused = run(*ds, [&] { ds->append(); });
    EXPECT_TRUE(refused.refused);
    EXPECT_EQ(refused.message, text("Preço do produto não está cadastrado."));
    EXPECT_EQ(ds->state(), DataSetState::Browse);

    item = currentItemOf(*itemPreco());
    ds->append();
    EXPECT_EQ(ds->fieldByName(u"IDTPMODGERAL").asString(), "S");
    EXPECT_EQ(ds->fieldByName(u"IDTPMODDLV").asString(), "N");
    EXPECT_EQ(ds->fieldByName(u"IDTPMODCMD").asString(), "N");
    EXPECT_TRUE(ds->fieldByName(u"VRPRECODIA").isNull());
    EXPECT_TRUE(ds->fieldByName(u"NRDIASEMANPR").isNull());
}

TEST(DayHourRecord, EditStartKey)
{
    auto ds = precoHora(
        {{{"DTINIVALPREC", QDateTime(QDate(2026, 12, 5), QTime(0, 0))}, {"CDTIPOCONSPD", "01"}}});
    EXPECT_EQ(precoDiaChave(*ds), "00101/12/20260000000101000000010101212001400"
                                  "05/12/2026");
    const ModalidadeKey k = modalidadeKeyOf(*ds);
    EXPECT_EQ(k.dtIniValPrec, QDate(2026, 12, 5));
    EXPECT_EQ(k.hrFinPrecDia, "1400");
}
