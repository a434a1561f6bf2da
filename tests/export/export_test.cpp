// The export window against the real server: code fields and their checks, the product list,
// the confirmation's order, and what reaches the database.

#include "exportfixture.h"

#include "host/net/netconnection.h"
#include "host/widgets/busyanimation.h"
#include "host/widgets/dialogrunner.h"
#include "host/widgets/pesquisalista.h"
#include "host/widgets/tedit.h"
#include "host/widgets/waitcursor.h"
#include "previewresponder.h"
#include "pricetable/tabgeralstate.h"
#include "tools/export/importatabelastate.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

extern "C" void CriaImportaTabela();
extern "C" void criaTabGeral();

namespace vnd::exporttable::test
{
namespace
{

QString u(const char *s)
{
    return QString::fromUtf8(s);
}

QPushButton *button(QDialog &d, const QString &caption)
{
    for (QPushButton *b : d.findChildren<QPushButton *>())
        if (b->text().remove(u'&') == caption)
            return b;
    return nullptr;
}

} // namespace

class ExportWindow : public ExportFixture
{
public:
    // Origin 001, destination and name typed, each field left with Tab.
    void fill(const QString &dest = QStringLiteral("050"),
              const QString &name = QStringLiteral("NOVA TABELA"))
    {
        type(form().edtTabelaOrig, QStringLiteral("1"));
        tab();
        type(form().edtTabelaDest, dest);
        tab();
        type(form().edtNmTabelaDest, name);
        tab();
    }
    int itemsOf(const char *table) const
    {
        return scalar(QStringLiteral("SELECT COUNT(*) FROM ITEMPRECO WHERE CDTABEPREC = ?"),
                      {QString::fromLatin1(table)})
            .toInt();
    }
    bool tableListed(const QString &code) { return locate(*win().cdsTabGeral, "CDTABEPREC", code); }
};

TEST_F(ExportWindow, OriginCodeIsCompletedAndNamedOnExitAndAnUnknownOneKeepsTheFocus)
{
    type(form().edtTabelaOrig, QStringLiteral("1"));
    tab();
    EXPECT_EQ(form().edtTabelaOrig->text(), "001");
    EXPECT_EQ(form().edtNmTabelaOrig->text(), "TABELA PADRAO");
    EXPECT_TRUE(ui().errors().isEmpty());

    type(form().edtTabelaOrig, QStringLiteral("77"));
    EXPECT_TRUE(form().edtNmTabelaOrig->text().isEmpty());
    tab();
    EXPECT_EQ(ui().errors(), QStringList{u("Tabela geral não cadastrada.")});
    EXPECT_EQ(QApplication::focusWidget(), form().edtTabelaOrig);
    EXPECT_EQ(form().edtTabelaOrig->text(), "077");
}

TEST_F(ExportWindow, ExistingDestinationIsRefusedOnExitAndAgainAtConfirmation)
{
    type(form().edtTabelaOrig, QStringLiteral("1"));
    tab();
    type(form().edtTabelaDest, QStringLiteral("2"));
    tab();
    EXPECT_EQ(ui().errors(), QStringList{u("Tabela geral já cadastrada.")});
    EXPECT_EQ(QApplication::focusWidget(), form().edtTabelaDest);
    EXPECT_EQ(form().edtTabelaDest->text(), "002");

    form().edtNmTabelaDest->setFocus();
    QTest::keyClicks(form().edtNmTabelaDest, QStringLiteral("OUTRA"));
    ui().clear();
    clearCalls();
    confirm();
    EXPECT_EQ(ui().errors(), QStringList{u("Tabela geral já cadastrada.")});
    EXPECT_EQ(QApplication::focusWidget(), form().edtTabelaDest);
    EXPECT_TRUE(calls().isEmpty());
    EXPECT_TRUE(ui().questions().isEmpty());
}

TEST_F(ExportWindow, ChangingTheDestinationDiscardsTheNameTyped)
{
    fill(QStringLiteral("050"), QStringLiteral("NOVA"));
    type(form().edtTabelaDest, QStringLiteral("51"));
    EXPECT_TRUE(form().edtNmTabelaDest->text().isEmpty());
    confirm();
    EXPECT_EQ(ui().lastError(), u("Nome deve ser informado."));
    EXPECT_EQ(QApplication::focusWidget(), form().edtNmTabelaDest);
    EXPECT_EQ(form().edtTabelaDest->text(), "051");
}

TEST_F(ExportWindow, OpensEmptyAndConfirmationChecksInOrder)
{
    EXPECT_TRUE(form().edtTabelaOrig->text().isEmpty());
    EXPECT_TRUE(form().edtNmTabelaDest->text().isEmpty());
    EXPECT_TRUE(form().rbtTodosProd->isChecked());
    EXPECT_FALSE(form().btpProduto->isEnabled());
    confirm();
    EXPECT_EQ(ui().lastError(), u("Tabela origem deve ser informada."));
    EXPECT_EQ(QApplication::focusWidget(), form().edtTabelaOrig);

    QTest::keyClicks(form().edtTabelaOrig, QStringLiteral("1"));
    confirm();
    EXPECT_EQ(ui().lastError(), u("Tabela destino deve ser informada."));
    EXPECT_EQ(QApplication::focusWidget(), form().edtTabelaDest);

    QTest::keyClicks(form().edtTabelaDest, QStringLiteral("50"));
    tab();
    click(form().rbtListaProd);
    form().edtNmTabelaDest->setFocus();
    confirm();
    EXPECT_EQ(ui().lastError(), u("Não há produto selecionado."));
    EXPECT_EQ(QApplication::focusWidget(), form().rbtListaProd);

    click(form().rbtTodosProd);
    confirm();
    EXPECT_EQ(ui().lastError(), u("Nome deve ser informado."));
    EXPECT_EQ(QApplication::focusWidget(), form().edtNmTabelaDest);
    EXPECT_EQ(ui().errors().size(), 4);
    EXPECT_TRUE(ui().questions().isEmpty());
}

TEST_F(ExportWindow, ListButtonChecksTheTablesFirstAndOpensNoPickerWithoutProducts)
{
    scalar(QStringLiteral("INSERT INTO TABEPRECGER (CDTABEPREC, NMTABEPREC) VALUES ('004', "
                          "'VAZIA')"));
    type(form().edtTabelaOrig, QStringLiteral("4"));
    tab();
    click(form().rbtListaProd);
    EXPECT_TRUE(form().btpProduto->isEnabled());
    int dialogs = 0;
    widgets::ScopedDialogResponder r([&dialogs](QDialog &) { ++dialogs; });
    ui().clear();
    click(form().btpProduto);
    EXPECT_EQ(ui().errors(), QStringList{u("Tabela destino deve ser informada.")});
    EXPECT_EQ(QApplication::focusWidget(), form().edtTabelaDest);
    EXPECT_TRUE(ownCalls().isEmpty());

    type(form().edtTabelaDest, QStringLiteral("050"));
    tab();
    ui().clear();
    click(form().btpProduto);
    EXPECT_EQ(ui().errors(), QStringList{u("Não há produto cadastrado.")});
    EXPECT_EQ(ownCalls(), QStringList{"getExpProduto"});
    EXPECT_EQ(dialogs, 0);
}

TEST_F(ExportWindow, PickedListIsExportedAndThePriceTableWindowRefreshed)
{
    fill();
    click(form().rbtListaProd);
    const int offered =
        scalar(QStringLiteral("SELECT COUNT(DISTINCT CDPRODUTO) FROM ITEMPRECO WHERE "
                              "CDTABEPREC = '001' AND CDPRODUTO = CDPRPAITABPR"))
            .toInt();
    widgets::ScopedDialogResponder r([offered](QDialog &d) {
        auto &dlg = dynamic_cast<widgets::PesquisaListaDialog &>(d);
        EXPECT_EQ(dlg.windowTitle(), "Produto");
        dlg.searchField()->setCurrentIndex(dlg.searchField()->findText(QStringLiteral("Nome")));
        for (const char *name : {"picanha", "combo fam"}) {
            QTest::keyClicks(dlg.searchEdit(), QString::fromUtf8(name));
            QTest::keyClick(dlg.searchEdit(), Qt::Key_Return);
        }
        EXPECT_EQ(dlg.countLabel()->text(), QStringLiteral("Marcados: 2 de %1").arg(offered));
        QTest::mouseClick(button(d, QStringLiteral("Confirmar")), Qt::LeftButton);
    });
    click(form().btpProduto);
    EXPECT_EQ(form().stListaProd.count(u'_'), 3);

    ui().queueAnswer(mrYes);
    clearCalls();
    confirm();
    EXPECT_EQ(ui().questions(), QStringList{u("Confirma a exportação da tabela de preços?")});
    EXPECT_EQ(ui().infos(), QStringList{u("A exportação foi realizada com sucesso.")});
    EXPECT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
    EXPECT_EQ(calls().value(0), "setConfirmar");
    EXPECT_FALSE(formOpen());
    EXPECT_TRUE(tableListed(QStringLiteral("050")));

    const QVariant listedParents = scalar(
        QStringLiteral("SELECT COUNT(DISTINCT I.CDPRPAITABPR) FROM ITEMPRECO I JOIN PRODUTO P ON "
                       "P.CDPRODUTO = I.CDPRPAITABPR WHERE I.CDTABEPREC = '050' AND "
                       "(P.NMPRODUTO LIKE 'PICANHA%' OR P.NMPRODUTO LIKE 'COMBO FAM%')"));
    EXPECT_EQ(listedParents.toInt(), 2);
    EXPECT_GT(itemsOf("050"), 2);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(DISTINCT CDPRPAITABPR) FROM ITEMPRECO WHERE "
                                    "CDTABEPREC = '050'"))
                  .toInt(),
              2);
}

TEST_F(ExportWindow, TodosCopiesEveryPriceOnlyAfterYes)
{
    fill();
    form().stListaProd = QStringLiteral("_0000000001_");
    click(form().rbtListaProd);
    click(form().rbtTodosProd);
    EXPECT_TRUE(form().stListaProd.isEmpty());

    ui().queueAnswer(mrNo);
    confirm();
    EXPECT_TRUE(formOpen());
    EXPECT_EQ(form().edtNmTabelaDest->text(), "NOVA TABELA");
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM TABEPRECGER WHERE CDTABEPREC = "
                                    "'050'")),
              0);

    ui().queueAnswer(mrYes);
    confirm();
    EXPECT_FALSE(formOpen());
    EXPECT_EQ(itemsOf("050"), itemsOf("001"));
    EXPECT_TRUE(ui().clean());
}

TEST_F(ExportWindow, PreviewTellsTheCopyAndWritesOnlyWhenConfirmed)
{
    fill();
    const int origin = itemsOf("001");
    widgets::test::PreviewSeen back, confirmed;
    {
        widgets::ScopedDialogResponder r(widgets::test::previewResponder(back, false));
        QTest::mouseClick(form().sbtPrevia, Qt::LeftButton);
    }
    ASSERT_EQ(back.shown, 1) << ui().lastError().toStdString();
    EXPECT_EQ(back.counts.value(u("Preços incluídos")), origin);
    EXPECT_EQ(back.counts.value(u("Tabelas incluídas")), 1);
    EXPECT_EQ(back.sampleRows, 20);
    EXPECT_TRUE(formOpen());
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM TABEPRECGER WHERE CDTABEPREC = "
                                    "'050'")),
              0);
    EXPECT_TRUE(ui().questions().isEmpty());

    {
        widgets::ScopedDialogResponder r(widgets::test::previewResponder(confirmed, true));
        QTest::mouseClick(form().sbtPrevia, Qt::LeftButton);
    }
    EXPECT_EQ(confirmed.counts, back.counts);
    EXPECT_EQ(ui().infos(), QStringList{u("A exportação foi realizada com sucesso.")});
    EXPECT_FALSE(formOpen());
    EXPECT_EQ(itemsOf("050"), origin);
}

TEST_F(ExportWindow, AFailedExportLeavesTheWindowOpenWithItsInputs)
{
    fill();
    // The server stops answering the price table window's connection.
    win().netTabGeral->close();
    win().netTabGeral->BeforeConnect = [](net::TNetConnection &c) {
        c.Host = QStringLiteral("127.0.0.1");
        c.Port = 1;
    };
    ui().queueAnswer(mrYes);
    confirm();
    EXPECT_EQ(ui().errors().size(), 1);
    EXPECT_TRUE(ui().infos().isEmpty());
    EXPECT_TRUE(formOpen());
    EXPECT_FALSE(widgets::busyAnimationActive());
    EXPECT_EQ(form().edtTabelaDest->text(), "050");
    EXPECT_EQ(form().edtNmTabelaDest->text(), "NOVA TABELA");
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM TABEPRECGER WHERE CDTABEPREC = "
                                    "'050'")),
              0);
}

TEST_F(ExportWindow, WithoutThePriceTableWindowTheExportUsesItsOwnConnection)
{
    pricetable::frmTabGeral = nullptr;
    fill();
    ui().queueAnswer(mrYes);
    clearCalls();
    confirm();
    EXPECT_EQ(ui().infos(), QStringList{u("A exportação foi realizada com sucesso.")});
    EXPECT_EQ(ownCalls(), QStringList{"setConfirmar"});
    EXPECT_TRUE(calls().isEmpty());
    EXPECT_EQ(itemsOf("050"), itemsOf("001"));
    EXPECT_FALSE(tableListed(QStringLiteral("050")));
}

TEST_F(ExportWindow, EveryOpeningCreatesANewModalWindowUnderTheNormalCursor)
{
    QList<QDialog *> seen;
    widgets::ScopedDialogResponder r([&seen](QDialog &d) {
        seen << &d;
        EXPECT_EQ(&d, frmImportaTabela.data());
        EXPECT_TRUE(d.isModal());
        EXPECT_FALSE(widgets::hourglassActive());
        d.reject();
    });
    // From the host's menu, and from the price table window's toolbar button.
    CriaImportaTabela();
    QApplication::processEvents();
    pricetable::boIdCriado = true; // the fixture's price table window is the module's
    criaTabGeral();
    win().sbtImport->trigger();
    QApplication::processEvents();
    ASSERT_EQ(seen.size(), 2);
    EXPECT_NE(seen[0], seen[1]);
    EXPECT_EQ(seen[1]->windowTitle(), u("Exportar Tabela de Preço"));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(frmImportaTabela);
}

} // namespace vnd::exporttable::test
