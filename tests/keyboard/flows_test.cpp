// What a user does with the keyboard alone, mouse untouched: an item price edited and saved,
// and each of the three tools opened from the window's menu, filled, its lookups used and
// confirmed. What reaches the database is checked behind the server.

#include "keyboardfixture.h"

#include "host/widgets/dbgrid.h"
#include "host/widgets/dbsortgrid.h"
#include "host/widgets/dialogrunner.h"
#include "host/widgets/pesquisalista.h"
#include "host/widgets/pesquisar.h"
#include "pricetable/tabgeralstate.h"
#include "tools/diffprice/frmcadautprecodeferenciado.h"
#include "tools/export/frmimportatabela.h"
#include "tools/promotion/frmcadautpromocao.h"

#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QTabWidget>
#include <QTest>

extern "C" void criaTabGeral();

namespace vnd::keyboard::test
{
namespace
{

// Opens the window's menu with Alt+R and picks an entry by its Alt letter.
void menuEntry(QWidget *window, Qt::Key letter)
{
    QTest::keyClick(window, Qt::Key_R, Qt::AltModifier);
    QApplication::processEvents();
    QWidget *menu = QApplication::activePopupWidget();
    ASSERT_TRUE(qobject_cast<QMenu *>(menu)) << "Alt+R opens no menu";
    QTest::keyClick(menu, letter);
    QApplication::processEvents();
}

// A button's Alt letter presses it as a click seen on screen: the click comes a moment later.
void pressButton(Qt::Key letter)
{
    KeyboardFixture::key(letter, Qt::AltModifier);
    QTest::qWait(200);
}

} // namespace

class KeyboardOnly : public KeyboardFixture
{
protected:
    void SetUp() override
    {
        KeyboardFixture::SetUp();
        if (HasFatalFailure())
            return;
        // The module's entry point connects the tool buttons and menu entries.
        pricetable::boIdCriado = true;
        criaTabGeral();
    }
    QString stored(const QString &sql, const QVariantList &values = {}) const
    {
        return FormFixture::stored(sql, values).toString();
    }
};

TEST_F(KeyboardOnly, AnItemPriceIsEditedAndSaved)
{
    const QString product = text(items(), "CDPRODUTO");
    const QDate start = win().cdsVigenciaTab->fieldByName(u"DTINIVGPREC").asDate();
    win().dbsItemPreco->setFocus();
    // Along the row to the price, as a user tabs; never past it into another record.
    for (int i = 0; i < 10 && win().dbsItemPreco->SelectedField()->fieldName() != "VRPRECITEM"; ++i)
        key(Qt::Key_Tab);
    ASSERT_EQ(win().dbsItemPreco->SelectedField()->fieldName(), "VRPRECITEM");
    typeText(QStringLiteral("7,25"));
    key(Qt::Key_F10); // Confirmar
    EXPECT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
    EXPECT_EQ(stored(QStringLiteral("SELECT VRPRECITEM FROM ITEMPRECO WHERE CDTABEPREC = '001' "
                                    "AND DTINIVGPREC = ? AND CDPRODUTO = ? AND CDPRPAITABPR = ?"),
                     {start.toString(Qt::ISODate), product, product})
                  .toDouble(),
              7.25);
}

TEST_F(KeyboardOnly, ExportOfAPickedList)
{
    key(Qt::Key_D, Qt::AltModifier); // the data sheet, where the export is offered
    QStringList pickerTitles;
    widgets::ScopedDialogResponder keys([&pickerTitles](QDialog &d) {
        if (auto *picker = dynamic_cast<widgets::PesquisaListaDialog *>(&d)) {
            pickerTitles << d.windowTitle();
            ASSERT_TRUE(activate(&d));
            key(Qt::Key_P, Qt::AltModifier); // "Pesquisar por"
            key(Qt::Key_N);                  // "Nome"
            key(Qt::Key_Tab);
            typeText(QStringLiteral("agua tonica"));
            key(Qt::Key_Return); // marks it
            EXPECT_EQ(picker->markedCount(), 1);
            pressButton(Qt::Key_C); // Confirmar
            return;
        }
        ASSERT_TRUE(dynamic_cast<exporttable::TfrmImportaTabela *>(&d));
        ASSERT_TRUE(activate(&d));
        typeText(QStringLiteral("1"));
        key(Qt::Key_Tab);
        typeText(QStringLiteral("050"));
        key(Qt::Key_Tab);
        typeText(QStringLiteral("SÓ ÁGUA"));
        key(Qt::Key_Tab);          // "Todos"
        key(Qt::Key_Right);        // "Lista"
        key(Qt::Key_F4);           // the picker
        ASSERT_TRUE(activate(&d)); // the window manager's, when the picker closes
        pressButton(Qt::Key_C);    // Confirmar
    });
    ui().queueAnswer(mrYes);
    menuEntry(win().window(), Qt::Key_T); // "Exportar Tabela de Preço"

    EXPECT_EQ(pickerTitles, QStringList{"Produto"});
    EXPECT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
    EXPECT_EQ(ui().infos(), QStringList{"A exportação foi realizada com sucesso."});
    EXPECT_EQ(stored(QStringLiteral("SELECT NMTABEPREC FROM TABEPRECGER WHERE CDTABEPREC = '050'")),
              QString::fromUtf8("SÓ ÁGUA"));
    EXPECT_EQ(stored(QStringLiteral("SELECT MIN(P.NMPRODUTO) || '/' || COUNT(DISTINCT "
                                    "I.CDPRPAITABPR) FROM ITEMPRECO I JOIN PRODUTO P ON "
                                    "P.CDPRODUTO = I.CDPRPAITABPR WHERE I.CDTABEPREC = '050'")),
              QString::fromUtf8("ÁGUA TÔNICA LATA 350ML/1"));
}

TEST_F(KeyboardOnly, PromotionOfARangePickedWithTheLookups)
{
    widgets::ScopedDialogResponder keys([](QDialog &d) {
        if (dynamic_cast<widgets::PesquisarDialog *>(&d)) {
            ASSERT_TRUE(activate(&d));
            key(Qt::Key_P, Qt::AltModifier);
            key(Qt::Key_N); // "Nome"
            key(Qt::Key_Tab);
            typeText(QStringLiteral("suco de l"));
            key(Qt::Key_Return); // picks it
            return;
        }
        ASSERT_TRUE(dynamic_cast<promotion::TfrmCadAutPromocao *>(&d));
        ASSERT_TRUE(activate(&d));
        key(Qt::Key_Tab);   // "Todos"
        key(Qt::Key_Right); // "Lista"
        key(Qt::Key_Right); // "Intervalo"
        key(Qt::Key_Tab);   // the start code
        key(Qt::Key_F4);
        ASSERT_TRUE(activate(&d));
        key(Qt::Key_Tab); // the end code
        key(Qt::Key_F4);
        ASSERT_TRUE(activate(&d));
        pressButton(Qt::Key_C);
    });
    ui().queueAnswer(mrYes);
    menuEntry(win().window(), Qt::Key_M); // "Alteração Automática"

    EXPECT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
    EXPECT_EQ(ui().infos(), QStringList{"Alteração realizada com sucesso."});
    const QDate start = win().cdsVigenciaTab->fieldByName(u"DTINIVGPREC").asDate();
    EXPECT_EQ(stored(QStringLiteral("SELECT I.IDPRODPROMOC FROM ITEMPRECO I JOIN PRODUTO P ON "
                                    "P.CDPRODUTO = I.CDPRODUTO WHERE I.CDTABEPREC = '001' AND "
                                    "I.DTINIVGPREC = ? AND P.NMPRODUTO = 'SUCO DE LARANJA 300ML'"),
                     {start.toString(Qt::ISODate)}),
              "S");
}

TEST_F(KeyboardOnly, DifferentiatedPriceForEveryProduct)
{
    const pricetable::CurrentPeriod period = pricetable::currentPeriodOf(*win().cdsVigenciaTab);
    widgets::ScopedDialogResponder keys([&period](QDialog &d) {
        ASSERT_TRUE(dynamic_cast<diffprice::TfrmCadAutPrecoDeferenciado *>(&d));
        ASSERT_TRUE(activate(&d));
        // From "Todos": the range codes, the consumer type, then the day boxes.
        for (int i = 0; i < 4; ++i)
            key(Qt::Key_Tab);
        key(Qt::Key_Tab); // "Feriado"
        key(Qt::Key_Tab); // "Véspera de Feriado"
        key(Qt::Key_Tab); // "Domingo"
        key(Qt::Key_Space);
        for (int i = 0; i < 6; ++i) // on to Saturday
            key(Qt::Key_Tab);
        key(Qt::Key_Tab); // "Desconto"
        key(Qt::Key_Tab); // "Valor"
        key(Qt::Key_Tab); // the amount
        typeText(QStringLiteral("0,50"));
        key(Qt::Key_Tab); // the times stay 00:01 to 23:59
        key(Qt::Key_Tab);
        key(Qt::Key_Tab); // the validity
        typeText(period.dtIniVgPrec.toString(QStringLiteral("ddMMyyyy")));
        key(Qt::Key_Tab);
        typeText(period.dtFinVgPrec.toString(QStringLiteral("ddMMyyyy")));
        pressButton(Qt::Key_C);
    });
    ui().queueAnswer(mrYes);
    menuEntry(win().window(), Qt::Key_D); // "Cadastro Automático de Preços Diferenciados"

    EXPECT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
    EXPECT_NE(stored(QStringLiteral("SELECT COUNT(*) FROM ITEMPRECODIA WHERE CDTABEPREC = '001' "
                                    "AND DTINIVGPREC = ? AND NRDIASEMANPR = '1' AND VRPRECODIA = "
                                    "0.5 AND DTINIVALPREC = ?"),
                     {period.dtIniVgPrec.toString(Qt::ISODate),
                      period.dtIniVgPrec.toString(Qt::ISODate)}),
              "0");
}

} // namespace vnd::keyboard::test
