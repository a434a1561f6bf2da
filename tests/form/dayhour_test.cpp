// Day/hour prices through the window: the insert guard, new-record defaults, the checks
// before post with their messages and focus, completion, the duplicate check made or
// skipped, saving with merge or undo, and deleting.

#include "formfixture.h"

#include "host/widgets/dbsortgrid.h"
#include "pricetable/tabgeralstate.h"

#include <QApplication>

#include <cmath>

namespace vnd::pricetable::test
{
namespace
{

using data::DataSetState;

class DayHourPrices : public OpenFormFixture
{
protected:
    // An item with a consumer price, no client price and no rules yet; with or without a
    // delivery price.
    bool goToPlainItem(bool withDelivery)
    {
        for (int row = 0; row < items().recordCount(); ++row) {
            items().moveTo(row);
            if (!isNull(items(), "VRPRECITEM") && num(items(), "VRPRECITEM") > 0 &&
                num(items(), "VRPRECITEMCL") == 0 &&
                isNull(items(), "VRPRECITEMDLV") != withDelivery && rules().isEmpty() &&
                num(items(), "NRCOMPPROD") == 0)
                return true;
        }
        return false;
    }
    void focusRules()
    {
        win().dbgPrecoHora->setFocus();
        QApplication::processEvents();
    }
    void insertRule()
    {
        focusRules();
        win().sbtIncluir->trigger();
        ASSERT_EQ(rules().state(), DataSetState::Insert);
    }
    void setText(const char *field, const QString &text)
    {
        rules().fieldByName(QString::fromLatin1(field)).setText(text);
    }
    // Monday, percentage discount, 11:00 to 14:00.
    void fillRule(const QString &value = QStringLiteral("15"))
    {
        setText("NRDIASEMANPR", QStringLiteral("Segunda"));
        setText("IDPERVALORPR", QStringLiteral("Percentual"));
        setText("IDDESCACREPR", QStringLiteral("Desconto"));
        setText("HRINIPRECDIA", QStringLiteral("1100"));
        setText("HRFINPRECDIA", QStringLiteral("1400"));
        setText("VRPRECODIA", value);
        win().dbgPrecoHora->setSelectedIndex(
            widgets::IndiceCol(win().dbgPrecoHora, QStringLiteral("VRPRECODIA")));
    }
    void confirm()
    {
        win().sbtConfirmar->trigger();
        QApplication::processEvents();
    }
    int rulesInDatabase()
    {
        return stored(QStringLiteral("SELECT COUNT(*) FROM ITEMPRECODIA WHERE CDTABEPREC = '001' "
                                     "AND CDPRODUTO = ?"),
                      {str(items(), "CDPRODUTO")})
            .toInt();
    }
    QDate periodStart() { return win().cdsVigenciaTab->fieldByName(u"DTINIVGPREC").asDate(); }
    QDate periodEnd() { return win().cdsVigenciaTab->fieldByName(u"DTFINVGPREC").asDate(); }
};

TEST_F(DayHourPrices, ARuleNeedsTheItemsConsumerPrice)
{
    ASSERT_TRUE(
        goToItemWhere([](const data::ClientDataSet &ds) { return isNull(ds, "VRPRECITEM"); }));
    const int before = rules().recordCount();
    focusRules();
    win().sbtIncluir->trigger();
    EXPECT_EQ(ui().errors(), QStringList{QStringLiteral("Preço do produto não está cadastrado.")});
    EXPECT_EQ(rules().state(), DataSetState::Browse);
    EXPECT_EQ(rules().recordCount(), before);
}

TEST_F(DayHourPrices, ANewRuleIsCompletedCheckedForDuplicatesAndSaved)
{
    ASSERT_TRUE(goToPlainItem(true));
    const double base = num(items(), "VRPRECITEM");
    insertRule();
    EXPECT_EQ(str(rules(), "IDTPMODGERAL"), QStringLiteral("S"));
    EXPECT_EQ(str(rules(), "IDTPMODDLV"), QStringLiteral("N"));
    EXPECT_EQ(str(rules(), "IDTPMODCMD"), QStringLiteral("N"));
    fillRule();
    clearCalls();
    confirm();
    ASSERT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
    EXPECT_EQ(calls(),
              (QStringList{QStringLiteral("getVdModalidade"), QStringLiteral("SetPrecoHora")}));
    EXPECT_EQ(rules().state(), DataSetState::Browse);
    EXPECT_EQ(rules().changeCount(), 0);
    EXPECT_TRUE(stChavePrecoDia.isEmpty());
    // 15 % off in whole cents: the discount's fraction of a cent is cut.
    const qint64 cents = qRound64(base * 100);
    EXPECT_EQ(num(rules(), "PRECO"), double(cents - cents * 15 / 100) / 100);
    // Completed before saving, and still shown under the item's filter.
    EXPECT_EQ(rules().recordCount(), 1);
    EXPECT_EQ(str(rules(), "CDTIPOCONSPD"), QStringLiteral("T"));
    EXPECT_EQ(str(rules(), "NMTIPOCONS"), QStringLiteral("Todos"));
    EXPECT_EQ(str(rules(), "IDVISUACUPOM"), QStringLiteral("N"));
    EXPECT_EQ(rules().fieldByName(u"DTINIVALPREC").asDate(), periodStart());
    EXPECT_EQ(rules().fieldByName(u"DTFINVALPREC").asDate(), periodEnd());
    EXPECT_EQ(rulesInDatabase(), 1);
    EXPECT_EQ(stored(QStringLiteral("SELECT NRDIASEMANPR || IDPERVALORPR || IDDESCACREPR || "
                                    "HRINIPRECDIA || HRFINPRECDIA || CDTIPOCONSPD FROM "
                                    "ITEMPRECODIA WHERE CDPRODUTO = ?"),
                     {str(items(), "CDPRODUTO")})
                  .toString(),
              QStringLiteral("2PD11001400T"));
}

struct RuleRefusal {
    const char *name;
    std::function<void(data::ClientDataSet &, double base)> change;
    QString message;
    const char *focus;
};

TEST_F(DayHourPrices, EachRuleCheckRefusesWithItsMessageAndFocusAndSendsNothing)
{
    ASSERT_TRUE(goToPlainItem(true));
    const double base = num(items(), "VRPRECITEM");
    const auto text = [](const char *field, const QString &t) {
        return [field, t](data::ClientDataSet &ds, double) {
            ds.fieldByName(QString::fromLatin1(field)).setText(t);
        };
    };
    const auto clear = [](const char *field) {
        return [field](data::ClientDataSet &ds, double) {
            ds.fieldByName(QString::fromLatin1(field)).clear();
        };
    };
    const QDate end = periodEnd();
    const RuleRefusal cases[] = {
        {"no day", clear("NRDIASEMANPR"), QStringLiteral("Dia deve ser informado."),
         "NRDIASEMANPR"},
        {"no percentage or value", clear("IDPERVALORPR"),
         QStringLiteral("Percentual/Valor deve ser informado."), "IDPERVALORPR"},
        {"no discount or increase", clear("IDDESCACREPR"),
         QStringLiteral("Desconto/Acréscimo deve ser informado."), "IDDESCACREPR"},
        {"no start time", clear("HRINIPRECDIA"), QStringLiteral("':'Hora inválida."),
         "HRINIPRECDIA"},
        {"invalid start time", text("HRINIPRECDIA", QStringLiteral("2460")),
         QStringLiteral("'24:60'Hora inválida."), "HRINIPRECDIA"},
        {"invalid end time", text("HRFINPRECDIA", QStringLiteral("2500")),
         QStringLiteral("'25:00'Hora inválida."), "HRFINPRECDIA"},
        {"start after end", text("HRINIPRECDIA", QStringLiteral("1500")),
         QStringLiteral("Hora Inicial deve ser menor que a Hora Final."), "HRINIPRECDIA"},
        {"no value", text("VRPRECODIA", QStringLiteral("0")),
         QStringLiteral("Valor deve ser maior que zero."), "VRPRECODIA"},
        {"general off still needs a value",
         [](data::ClientDataSet &ds, double) {
             ds.fieldByName(u"IDTPMODGERAL").setValue(QStringLiteral("N"));
             ds.fieldByName(u"VRPRECODIA").clear();
         },
         QStringLiteral("Valor deve ser maior que zero."), "VRPRECODIA"},
        {"increase up to twice the price",
         [](data::ClientDataSet &ds, double b) {
             ds.fieldByName(u"IDPERVALORPR").setValue(QStringLiteral("V"));
             ds.fieldByName(u"IDDESCACREPR").setValue(QStringLiteral("A"));
             ds.fieldByName(u"VRPRECODIA").setValue(b);
         },
         QStringLiteral("O valor do acréscimo não pode ser maior ou igual ao preço do produto."),
         "VRPRECODIA"},
        {"end date without start date", clear("DTINIVALPREC"),
         QStringLiteral("Data inicial deve ser informada."), "DTINIVALPREC"},
        {"start date without end date", clear("DTFINVALPREC"),
         QStringLiteral("Data final de validade deve ser informado."), "DTFINVALPREC"},
        {"end date after the period",
         text("DTFINVALPREC", end.addDays(1).toString(QStringLiteral("dd/MM/yyyy"))),
         QStringLiteral("Data final de validade deve ser menor ou igual que a data final de "
                        "vigência."),
         "DTFINVALPREC"},
        {"unregistered consumer type", text("CDTIPOCONSPD", QStringLiteral("99")),
         QStringLiteral("Tipo de consumidor não cadastrado."), "CDTIPOCONSPD"},
    };
    for (const RuleRefusal &c : cases) {
        SCOPED_TRACE(c.name);
        ui().clear();
        insertRule();
        fillRule();
        setText("DTINIVALPREC", periodStart().toString(QStringLiteral("dd/MM/yyyy")));
        setText("DTFINVALPREC", end.toString(QStringLiteral("dd/MM/yyyy")));
        c.change(rules(), base);
        clearCalls();
        confirm();
        EXPECT_EQ(ui().errors(), QStringList{c.message});
        EXPECT_EQ(rules().state(), DataSetState::Insert);
        EXPECT_EQ(selectedField(win().dbgPrecoHora), QString::fromLatin1(c.focus));
        EXPECT_FALSE(calls().contains(QStringLiteral("SetPrecoHora")))
            << calls().join(u',').toStdString();
        rules().cancel();
    }
    // The border: an increase just below the price passes.
    ui().clear();
    insertRule();
    fillRule();
    setText("IDPERVALORPR", QStringLiteral("Valor fixo"));
    setText("IDDESCACREPR", QStringLiteral("Acréscimo"));
    rules().fieldByName(u"VRPRECODIA").setValue(double(qRound64(base * 100) - 1) / 100);
    confirm();
    EXPECT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
    EXPECT_EQ(rulesInDatabase(), 1);
}

TEST_F(DayHourPrices, DeliveryNeedsTheItemsDeliveryPriceBeforeAnyValueCheck)
{
    ASSERT_TRUE(goToPlainItem(false));
    insertRule();
    fillRule();
    rules().fieldByName(u"IDTPMODDLV").setValue(QStringLiteral("S"));
    confirm();
    EXPECT_EQ(ui().errors(),
              QStringList{QStringLiteral("Para informar preço diferenciado para o delivery, o "
                                         "preco de delivery do produto também deve ser "
                                         "informado.")});
    EXPECT_EQ(rules().state(), DataSetState::Insert);
}

TEST_F(DayHourPrices, ConsumerTypesAreNormalisedAndNamedFromTheDatabase)
{
    ASSERT_TRUE(goToPlainItem(true));
    struct Case {
        const char *typed;
        const char *code;
        const char *name;
    };
    for (const Case c : {Case{"1", "01", "FUNCIONARIO"}, Case{" 5", "05", "IDOSO"},
                         Case{"", "T", "Todos"}, Case{"T", "T", "Todos"}}) {
        SCOPED_TRACE(c.typed);
        insertRule();
        fillRule();
        rules().fieldByName(u"CDTIPOCONSPD").setValue(QString::fromLatin1(c.typed));
        confirm();
        ASSERT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
        EXPECT_EQ(str(rules(), "CDTIPOCONSPD"), QString::fromLatin1(c.code));
        EXPECT_EQ(str(rules(), "NMTIPOCONS"), QString::fromLatin1(c.name));
        // One rule per consumer type: the next case starts on a fresh day.
        focusRules();
        ui().queueAnswer(mrYes);
        win().sbtExcluir->trigger();
        ASSERT_TRUE(ui().clean());
    }
    EXPECT_EQ(rulesInDatabase(), 0);
}

TEST_F(DayHourPrices, TheDuplicateCheckRunsWhenTheIdentityChangesOnly)
{
    ASSERT_TRUE(goToItem(QStringLiteral("X-SALADA")));
    ASSERT_EQ(rules().recordCount(), 1);
    const data::Row existing = {str(rules(), "NRDIASEMANPR"), str(rules(), "HRINIPRECDIA"),
                                str(rules(), "HRFINPRECDIA")};

    // A second rule with the same identity.
    insertRule();
    rules().fieldByName(u"NRDIASEMANPR").setValue(existing[0]);
    rules().fieldByName(u"HRINIPRECDIA").setValue(existing[1]);
    rules().fieldByName(u"HRFINPRECDIA").setValue(existing[2]);
    setText("IDPERVALORPR", QStringLiteral("Valor fixo"));
    setText("IDDESCACREPR", QStringLiteral("Desconto"));
    setText("VRPRECODIA", QStringLiteral("1"));
    win().dbgPrecoHora->setSelectedIndex(
        widgets::IndiceCol(win().dbgPrecoHora, QStringLiteral("VRPRECODIA")));
    clearCalls();
    confirm();
    EXPECT_EQ(ui().errors(), QStringList{QStringLiteral(
                                 "Preço diferenciado já cadastrado para os dados informados.")});
    EXPECT_EQ(calls(), QStringList{QStringLiteral("getVdModalidade")});
    rules().cancel();
    EXPECT_TRUE(stChavePrecoDia.isEmpty());

    // Only the value changes: no check.
    ui().clear();
    rules().first();
    win().sbtAlterar->trigger();
    EXPECT_FALSE(stChavePrecoDia.isEmpty());
    rules().fieldByName(u"VRPRECODIA").setValue(3.0);
    clearCalls();
    confirm();
    ASSERT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
    EXPECT_EQ(calls(), QStringList{QStringLiteral("SetPrecoHora")});

    // The validity start is part of the identity.
    win().sbtAlterar->trigger();
    rules().fieldByName(u"DTINIVALPREC").setValue(QDateTime(periodStart().addDays(1), QTime()));
    clearCalls();
    confirm();
    ASSERT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
    EXPECT_EQ(calls(),
              (QStringList{QStringLiteral("getVdModalidade"), QStringLiteral("SetPrecoHora")}));
}

TEST_F(DayHourPrices, DeletingAsksThenSendsAndARefusedSaveRestoresTheRule)
{
    ASSERT_TRUE(goToItem(QStringLiteral("X-SALADA")));
    ASSERT_EQ(rules().recordCount(), 1);
    focusRules();
    ui().queueAnswer(mrNo);
    win().sbtExcluir->trigger();
    EXPECT_EQ(rules().recordCount(), 1);

    // Another user changed the rule meanwhile: the deletion is refused and undone.
    stored(
        QStringLiteral("UPDATE ITEMPRECODIA SET VRPRECODIA = VRPRECODIA + 1 WHERE CDPRODUTO = ?"),
        {str(items(), "CDPRODUTO")});
    ui().queueAnswer(mrYes);
    win().sbtExcluir->trigger();
    EXPECT_TRUE(ui().lastError().contains(QStringLiteral("outro usuário")))
        << ui().lastError().toStdString();
    EXPECT_EQ(rules().recordCount(), 1);
    EXPECT_EQ(rules().changeCount(), 0);

    // After a refresh the deletion goes through.
    ui().clear();
    win().sbtVerificar->trigger();
    ui().queueAnswer(mrYes);
    win().sbtExcluir->trigger();
    EXPECT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
    EXPECT_EQ(rules().recordCount(), 0);
    EXPECT_EQ(rulesInDatabase(), 0);
}

TEST_F(DayHourPrices, APercentageOverAZeroBaseNeverStoresAnInvalidNumber)
{
    ASSERT_TRUE(goToPlainItem(true));
    win().dbsItemPreco->setFocus();
    QApplication::processEvents();
    win().sbtAlterar->trigger();
    items().fieldByName(u"VRPRECITEM").setValue(0.0);
    win().sbtConfirmar->trigger();
    ASSERT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();

    insertRule();
    fillRule();
    rules().fieldByName(u"PRECO").setValue(0.0);
    win().dbgPrecoHora->setSelectedIndex(
        widgets::IndiceCol(win().dbgPrecoHora, QStringLiteral("PRECO")));
    confirm();
    EXPECT_EQ(ui().errors(), QStringList{QStringLiteral("Valor deve ser maior que zero.")});
    EXPECT_TRUE(std::isfinite(num(rules(), "VRPRECODIA")));
    EXPECT_TRUE(std::isfinite(num(rules(), "PRECO")));
    EXPECT_EQ(rulesInDatabase(), 0);
}

// Typed as a price, saved, and reloaded from the server, the price is the one typed: 0.07 on
// a base of 1.00 is a 93 % discount, which gives 0.07 again (binary arithmetic gave 0.06).
TEST_F(DayHourPrices, APriceTypedInTheGridReloadsAsTyped)
{
    ASSERT_TRUE(goToPlainItem(true));
    typeInto(win().dbsItemPreco, "VRPRECITEM", QStringLiteral("1,00"));
    press(Qt::Key_Return); // the cell editor hands its text to the field
    confirm();
    ASSERT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
    ASSERT_EQ(num(items(), "VRPRECITEM"), 1.0);

    insertRule();
    fillRule();
    typeInto(win().dbgPrecoHora, "PRECO", QStringLiteral("0,07"));
    press(Qt::Key_Tab);
    EXPECT_EQ(num(rules(), "VRPRECODIA"), 93.0);
    confirm();
    ASSERT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
    EXPECT_EQ(stored(QStringLiteral("SELECT VRPRECODIA FROM ITEMPRECODIA WHERE CDPRODUTO = ?"),
                     {str(items(), "CDPRODUTO")})
                  .toDouble(),
              93.0);

    focusRules();
    win().sbtVerificar->trigger();
    QApplication::processEvents();
    ASSERT_EQ(rules().recordCount(), 1);
    EXPECT_EQ(num(rules(), "PRECO"), 0.07);
    EXPECT_EQ(rules().fieldByName(u"PRECO").displayText(), QStringLiteral("0,07"));
}

} // namespace
} // namespace vnd::pricetable::test
