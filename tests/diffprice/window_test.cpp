// The differentiated-price window against the real server: its opening state, the checks in
// the confirmation's order with their focus, the arguments of SetPrecDif as sent, the reload
// of the price table window, and the ways the window is opened.

#include "diffpricefixture.h"

#include "host/db/pesqprodcomp.h"
#include "host/net/netconnection.h"
#include "host/widgets/dateeditplus.h"
#include "host/widgets/dbtext.h"
#include "host/widgets/dialogrunner.h"
#include "host/widgets/maskedit.h"
#include "host/widgets/numberedit.h"
#include "host/widgets/pesquisalista.h"
#include "host/widgets/radiogroup.h"
#include "host/widgets/tedit.h"
#include "previewresponder.h"
#include "pricetable/tabgeralstate.h"
#include "tools/diffprice/cadautprecostate.h"
#include "tools/selection/productselection.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

extern "C" void CriaCadAutPrecoDeferenciado();
extern "C" void criaTabGeral();

namespace vnd::diffprice::test
{
namespace
{

QString u(const char *s)
{
    return QString::fromUtf8(s);
}

// The argument at a 1-based position, as the server received it.
QVariant arg(const data::ValueArray &args, int position)
{
    return args.at(size_t(position - 1)).toVariant();
}

} // namespace

using DiffPriceWindow = DiffPriceFixture;

TEST_F(DiffPriceWindow, OpensWithItsDefaultsOverTheCurrentPeriodAndNeedsADay)
{
    EXPECT_EQ(form().dbtCdTabe->text(), "001");
    EXPECT_EQ(form().dbtNmTabe->text(), "TABELA PADRAO");
    EXPECT_EQ(form().dbtIniVigencia->text(), periodStart().toString(QStringLiteral("dd/MM/yyyy")));
    EXPECT_EQ(form().medHorarioDe->EditText(), "00:01");
    EXPECT_EQ(form().medHorarioAte->EditText(), "23:59");
    EXPECT_TRUE(form().depValidadeDe->isEmpty());
    for (QCheckBox *b : form().findChildren<QCheckBox *>())
        EXPECT_FALSE(b->isChecked()) << b->objectName().toStdString();
    EXPECT_EQ(form().rdgDesAcr->ItemIndex(), 0);
    EXPECT_EQ(form().rdgValPer->ItemIndex(), 0);
    EXPECT_EQ(form().rdgVisualiza->ItemIndex(), 1);
    EXPECT_TRUE(form().grbProd->rbtTodos->isChecked());

    confirm();
    EXPECT_EQ(ui().errors(), QStringList{u("Dia da Semana deve ser informado.")});
    EXPECT_TRUE(ui().questions().isEmpty());
    EXPECT_TRUE(calls().isEmpty());
}

TEST_F(DiffPriceWindow, ChecksRunInTheConfirmationsOrderWithTheirFocus)
{
    auto expectRefusal = [this](const QString &message, QWidget *focus) {
        ui().clear();
        confirm();
        EXPECT_EQ(ui().errors(), QStringList{message});
        EXPECT_EQ(QApplication::focusWidget(), focus) << message.toStdString();
    };
    click(form().chbDomingo);
    expectRefusal(u("Valor informado deve ser maior do que zero."), form().numValPer);
    type(form().numValPer, QStringLiteral("0,01"));

    form().medHorarioDe->setFocus();
    form().medHorarioDe->selectAll();
    QTest::keyClick(form().medHorarioDe, Qt::Key_Delete);
    expectRefusal(u("Horário Inicial deve ser informado."), form().medHorarioDe);
    type(form().medHorarioDe, QStringLiteral("1201"));
    type(form().medHorarioAte, QStringLiteral("2400"));
    expectRefusal(u("'24:00' não é uma Hora Válida."), form().medHorarioAte);
    type(form().medHorarioAte, QStringLiteral("1200"));
    expectRefusal(u("Horário Inicial deve ser menor ou igual ao Horário Final"),
                  form().medHorarioDe);
    // Times compare as times, as the server compares them: a blank first digit is a 0.
    type(form().medHorarioDe, QStringLiteral(" 930"));
    type(form().medHorarioAte, QStringLiteral("0900"));
    EXPECT_EQ(form().medHorarioDe->EditText(), " 9:30");
    expectRefusal(u("Horário Inicial deve ser menor ou igual ao Horário Final"),
                  form().medHorarioDe);
    type(form().medHorarioAte, QStringLiteral("1200"));
    type(form().medHorarioDe, QStringLiteral("1200"));

    // Equal times pass; empty validity dates start before the period.
    expectRefusal(u("Data Inicial de Validade deve ser maior ou igual a Data Inicial de "
                    "Vigência ."),
                  form().depValidadeDe);
    type(form().depValidadeDe, periodStart().toString(QStringLiteral("ddMMyyyy")));
    type(form().depValidadeAte, periodEnd().addDays(1).toString(QStringLiteral("ddMMyyyy")));
    expectRefusal(u("Data Final de Validade deve ser menor ou igual a Data Final de Vigência. "),
                  form().depValidadeAte);
    type(form().depValidadeAte, periodStart().addDays(-1).toString(QStringLiteral("ddMMyyyy")));
    form().numValPer->setFocus();
    expectRefusal(u("Validade Inicial deve ser menor ou igual a Validade Final."),
                  form().numValPer);
    type(form().depValidadeAte, periodEnd().toString(QStringLiteral("ddMMyyyy")));

    click(form().rdgValPer->button(1));
    type(form().numValPer, QStringLiteral("100"));
    expectRefusal(u("O percentual de desconto deve estar entre 0 e 100."), form().numValPer);
    click(form().rdgDesAcr->button(1));
    expectRefusal(u("O percentual de acréscimo deve estar entre 0 e 100."), form().numValPer);
    type(form().numValPer, QStringLiteral("99,99"));

    type(form().edtCdTipoConsumidor, QStringLiteral("9"));
    form().numValPer->setFocus();
    expectRefusal(u("Tipo de consumidor não cadastrado!"), form().edtCdTipoConsumidor);
    EXPECT_EQ(form().edtCdTipoConsumidor->text(), "09");

    // Every check passes: No to the question sends nothing and keeps the inputs.
    type(form().edtCdTipoConsumidor, QStringLiteral("1"));
    ui().clear();
    ui().queueAnswer(mrNo);
    confirm();
    EXPECT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
    EXPECT_EQ(ui().questions().size(), 1);
    EXPECT_TRUE(calls().isEmpty());
    EXPECT_TRUE(formOpen());
    EXPECT_EQ(form().numValPer->text(), "99,99");
}

TEST_F(DiffPriceWindow, EveryDayWithATickedSaturdayIsSentAsTicked)
{
    fillValidRule();
    click(form().chbSabado);
    click(form().chbTodosDias);
    EXPECT_FALSE(form().chbSabado->isEnabled());
    EXPECT_TRUE(form().chbSabado->isChecked());
    click(form().chbTodosDias);
    EXPECT_TRUE(form().chbSabado->isEnabled());
    EXPECT_TRUE(form().chbSabado->isChecked());
    click(form().chbTodosDias);

    // A one-digit consumer type is completed and named when left; emptied, it sends "T".
    type(form().edtCdTipoConsumidor, QStringLiteral("1"));
    tab();
    EXPECT_EQ(form().edtCdTipoConsumidor->text(), "01");
    EXPECT_EQ(form().edtNmTipoConsumidor->text(), "FUNCIONARIO");
    type(form().edtCdTipoConsumidor, QString());

    ui().queueAnswer(mrYes);
    confirm();
    EXPECT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
    EXPECT_EQ(ui().questions(),
              QStringList{u("Confirma operação? Caso já exista um preço diferenciado cadastrado "
                            "para os produtos selecionados, com mesmo dia, tipo de consumidor, "
                            "horário e validade, este será substituído.")});
    ASSERT_EQ(sent().size(), 28u);
    EXPECT_TRUE(arg(sent(), 1).toBool());
    EXPECT_TRUE(arg(sent(), 4).toBool());
    EXPECT_TRUE(arg(sent(), 10).toBool());
    EXPECT_EQ((QVariantList{arg(sent(), 11), arg(sent(), 12), arg(sent(), 13)}),
              (QVariantList{false, true, false}));
    EXPECT_EQ(arg(sent(), 16).toString(), "001");
    EXPECT_EQ(arg(sent(), 19).toString(), "00:01");
    EXPECT_EQ(arg(sent(), 20).toString(), "23:59");
    EXPECT_EQ(arg(sent(), 23).toDate(), periodStart());
    EXPECT_EQ(arg(sent(), 25).toString(), "");
    EXPECT_TRUE(sent().at(25).packet().rows.empty());
    EXPECT_EQ(arg(sent(), 27).toString(), "T");
    EXPECT_EQ(arg(sent(), 28).toInt(), 1);
    EXPECT_EQ(busyKindAtCall(), 1);
    EXPECT_EQ(busyTextAtCall(), u("Cadastrando preços diferenciados no servidor..."));

    // Closed, and the price table window shows the new rules.
    EXPECT_EQ(calls(), (QStringList{"SetPrecDif", "GetPrecoHora", "getItemPreco"}));
    EXPECT_FALSE(formOpen());
    const int priced =
        stored(
            QStringLiteral(
                "SELECT COUNT(*) FROM ITEMPRECO WHERE CDTABEPREC = '001' AND DTINIVGPREC = ? AND "
                "CDPRODUTO = CDPRPAITABPR AND VRPRECITEM IS NOT NULL"),
            {periodStart().toString(Qt::ISODate)})
            .toInt();
    EXPECT_EQ(stored(QStringLiteral("SELECT COUNT(*) FROM ITEMPRECODIA WHERE NRDIASEMANPR = 'T' "
                                    "AND HRINIPRECDIA = '0001' AND CDTIPOCONSPD = 'T'")),
              priced);
    rules().setFiltered(false);
    EXPECT_TRUE(locate(rules(), "NRDIASEMANPR", QStringLiteral("T")));
}

TEST_F(DiffPriceWindow, PreviewTellsTheRulesAndRegistersThemOnlyWhenConfirmed)
{
    fillValidRule();
    const auto domingo = [this] {
        return stored(QStringLiteral("SELECT COUNT(*) FROM ITEMPRECODIA WHERE NRDIASEMANPR = "
                                     "'1' AND HRINIPRECDIA = '0001' AND CDTIPOCONSPD = 'T'"))
            .toInt();
    };
    const int before = domingo();
    const int priced =
        stored(QStringLiteral("SELECT COUNT(*) FROM ITEMPRECO WHERE CDTABEPREC = '001' AND "
                              "DTINIVGPREC = ? AND CDPRODUTO = CDPRPAITABPR AND VRPRECITEM IS "
                              "NOT NULL"),
               {periodStart().toString(Qt::ISODate)})
            .toInt();
    widgets::test::PreviewSeen back, confirmed;
    {
        widgets::ScopedDialogResponder r(widgets::test::previewResponder(back, false));
        QTest::mouseClick(form().sbtPrevia, Qt::LeftButton);
    }
    ASSERT_EQ(back.shown, 1) << ui().lastError().toStdString();
    EXPECT_EQ(back.counts.value(u("Produtos")), priced);
    EXPECT_EQ(back.counts.value(u("Preços diferenciados incluídos")) +
                  back.counts.value(u("Preços diferenciados substituídos")),
              priced);
    EXPECT_EQ(back.counts.value(u("Preços diferenciados substituídos")), before);
    EXPECT_TRUE(formOpen());
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(domingo(), before);

    {
        widgets::ScopedDialogResponder r(widgets::test::previewResponder(confirmed, true));
        QTest::mouseClick(form().sbtPrevia, Qt::LeftButton);
    }
    EXPECT_EQ(confirmed.counts, back.counts);
    EXPECT_TRUE(ui().questions().isEmpty());
    EXPECT_EQ(calls(), (QStringList{"SetPrecDifPrevia", "SetPrecDifPrevia", "SetPrecDif",
                                    "GetPrecoHora", "getItemPreco"}));
    EXPECT_FALSE(formOpen());
    EXPECT_EQ(domingo(), before + back.counts.value(u("Preços diferenciados incluídos")));
}

TEST_F(DiffPriceWindow, ARangeIsSentAsTypedEndFirst)
{
    fillValidRule();
    click(form().grbProd->rbtIntervalo);
    type(form().grbProd->medProdIni, QStringLiteral("1010010003"));
    tab();
    type(form().grbProd->medProdFim, QStringLiteral("1010010001"));
    tab();
    EXPECT_FALSE(form().grbProd->edtNomeFim->text().isEmpty());
    ui().queueAnswer(mrYes);
    confirm();
    EXPECT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
    ASSERT_EQ(sent().size(), 28u);
    EXPECT_EQ(arg(sent(), 13).toBool(), true);
    EXPECT_EQ(arg(sent(), 17).toString(), "1010010001");
    EXPECT_EQ(arg(sent(), 18).toString(), "1010010003");
    EXPECT_FALSE(formOpen());
}

TEST_F(DiffPriceWindow, APickedListIsSentOnceAndNeverWithALaterConfirmation)
{
    fillValidRule();
    click(form().grbProd->rbtLista);
    widgets::ScopedDialogResponder r([](QDialog &d) {
        auto &dlg = dynamic_cast<widgets::PesquisaListaDialog &>(d);
        EXPECT_EQ(dlg.windowTitle(), "Produto");
        dlg.searchField()->setCurrentIndex(dlg.searchField()->findText(QStringLiteral("Nome")));
        for (const char *name : {"refrigerante cola lata", "suco de laranja", "picanha"}) {
            QTest::keyClicks(dlg.searchEdit(), QString::fromUtf8(name));
            QTest::keyClick(dlg.searchEdit(), Qt::Key_Return);
        }
        ASSERT_EQ(dlg.markedCount(), 3);
        dlg.accept();
    });
    click(form().grbProd->btnListaProd);
    ASSERT_EQ(stPesqProd.count(u'_'), 4); // three codes and the closing "_"

    // 7,00 off a 6,00 can: the server refuses every product.
    type(form().numValPer, QStringLiteral("7,00"));
    ui().queueAnswer(mrYes);
    confirm();
    EXPECT_EQ(ui().errors().size(), 1);
    EXPECT_TRUE(ui().lastError().startsWith(u("Preço deve ser maior que zero. Produtos: 1 (")))
        << ui().lastError().toStdString();
    ASSERT_EQ(sent().size(), 28u);
    EXPECT_EQ((QVariantList{arg(sent(), 11), arg(sent(), 12), arg(sent(), 13)}),
              (QVariantList{true, false, false}));
    EXPECT_EQ(arg(sent(), 25).toString(), "");
    const data::DataPacket &picked = sent().at(25).packet();
    ASSERT_EQ(picked.rows.size(), 3u);
    const int code = picked.indexOf(u"CDPRODUTO");
    for (const data::Row &row : picked.rows)
        EXPECT_EQ(row.at(code).toString().size(), 10);
    EXPECT_TRUE(formOpen());

    // The list was used up: "Lista" asks for a new pick; "Todos" sends no picked row.
    ui().clear();
    confirm();
    EXPECT_EQ(ui().errors(), QStringList{u("Produto deve ser informado.")});
    click(form().grbProd->rbtTodos);
    type(form().numValPer, QStringLiteral("1,00"));
    ui().clear();
    ui().queueAnswer(mrYes);
    confirm();
    EXPECT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
    EXPECT_TRUE(arg(sent(), 12).toBool());
    EXPECT_TRUE(sent().at(25).packet().rows.empty());
    EXPECT_FALSE(formOpen());
}

TEST_F(DiffPriceWindow, OpensFromTheToolbarOnlyOverAPeriod)
{
    QList<QDialog *> seen;
    widgets::ScopedDialogResponder r([&seen](QDialog &d) {
        seen << &d;
        EXPECT_TRUE(d.isModal());
        d.reject();
    });
    pricetable::frmTabGeral = nullptr;
    CriaCadAutPrecoDeferenciado();
    EXPECT_EQ(ui().errors(), QStringList{u("Abra a Tabela de Preços Geral e escolha uma vigência "
                                           "antes de usar esta ferramenta.")});
    EXPECT_TRUE(seen.isEmpty());

    pricetable::boIdCriado = true; // the fixture's price table window is the module's
    pricetable::frmTabGeral = &win();
    criaTabGeral();
    win().btnCadPrecoDif->trigger();
    win().btnCadPrecoDif->trigger();
    QApplication::processEvents();
    ASSERT_EQ(seen.size(), 2);
    EXPECT_NE(seen[0], seen[1]);
    // The title says which table and period the rule goes to.
    EXPECT_EQ(seen[0]->windowTitle(),
              u("Cadastro Automático de Preços Diferenciados – Tabela 001 - TABELA PADRAO, "
                "vigência de ") +
                  periodStart().toString(QStringLiteral("dd/MM/yyyy")) + u(" a ") +
                  periodEnd().toString(QStringLiteral("dd/MM/yyyy")));
    EXPECT_FALSE(boStCriado);
}

TEST_F(DiffPriceWindow, ProductSearchLoadsTheDeepestLevelAndFreesTheDataModule)
{
    data::ClientDataSet products;
    const QString sql = form().SQL_Pesquisa_Produto_CDS_TELA(products);
    EXPECT_TRUE(sql.startsWith(QStringLiteral("SELECT"))) << sql.toStdString();
    EXPECT_EQ(products.recordCount(),
              stored(QStringLiteral("SELECT COUNT(*) FROM PRODUTO WHERE CDNVPRODUTO = 4")).toInt());
    EXPECT_FALSE(db::dtmPesqProdComp);

    win().netTabGeral->close();
    win().netTabGeral->BeforeConnect = [](net::TNetConnection &c) {
        c.Host = QStringLiteral("127.0.0.1");
        c.Port = 1;
    };
    EXPECT_THROW(form().SQL_Pesquisa_Produto_CDS_TELA(products), Error);
    EXPECT_FALSE(db::dtmPesqProdComp);
}

} // namespace vnd::diffprice::test
