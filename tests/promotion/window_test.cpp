// The promotion window against the real server: its initial state, the confirmation for all
// products, a list and a range with what reaches the database, and how it opens.

#include "promotionfixture.h"

#include "host/net/netconnection.h"
#include "host/widgets/busyanimation.h"
#include "host/widgets/dialogrunner.h"
#include "host/widgets/maskedit.h"
#include "host/widgets/tedit.h"
#include "host/widgets/waitcursor.h"
#include "previewresponder.h"
#include "pricetable/tabgeralstate.h"
#include "tools/promotion/cadautpromocaostate.h"
#include "tools/selection/productselection.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QTest>

extern "C" void CriaCadAutPromocao();
extern "C" void criaTabGeral();

namespace vnd::promotion::test
{
namespace
{

QString u(const char *s)
{
    return QString::fromUtf8(s);
}

const char *const kAsk = "Confirma alteração dos produtos selecionados?";
const char *const kOk = "Alteração realizada com sucesso.";

} // namespace

using PromotionWindow = PromotionFixture;

TEST_F(PromotionWindow, OpensPuttingOnPromotionWithThePrefixControlsOffUntilTicked)
{
    // The title says which table and period the change goes to.
    const QDate end = win().cdsVigenciaTab->fieldByName(u"DTFINVGPREC").asDate();
    EXPECT_EQ(form().windowTitle(), u("Alteração Automática – Tabela 001 - TABELA PADRAO, "
                                      "vigência de ") +
                                        start().toString(QStringLiteral("dd/MM/yyyy")) + u(" a ") +
                                        end.toString(QStringLiteral("dd/MM/yyyy")));
    EXPECT_EQ(form().lblCodTela->text(), "VND42706");
    EXPECT_EQ(form().rdgPromocaoItens->checkedId(), 0);
    EXPECT_TRUE(form().grbProd->rbtTodos->isChecked());
    EXPECT_FALSE(form().chbPrefixo->isChecked());
    EXPECT_TRUE(form().rbtAddPrefixo->isChecked());
    QWidget *prefixControls[] = {form().rbtAddPrefixo, form().rbtDelPrefixo, form().lblPrefixo,
                                 form().edtPrefixo};
    for (QWidget *w : prefixControls)
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    click(form().chbPrefixo);
    for (QWidget *w : prefixControls)
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    click(form().chbPrefixo);
    EXPECT_FALSE(form().edtPrefixo->isEnabled());
}

TEST_F(PromotionWindow, TodosWithoutPrefixMakesExactlyTheFlagCallAndTheRefresh)
{
    ASSERT_GT(flagged("N"), 0);
    const QString off = priced(1)[0].first;
    setFlag(off, "N");
    // A ticked prefix left empty is refused after the question, before anything is sent.
    click(form().chbPrefixo);
    ui().queueAnswer(mrYes);
    confirm();
    EXPECT_EQ(ui().errors(), QStringList{u("Prefixo deve ser informado.")});
    EXPECT_EQ(QApplication::focusWidget(), form().edtPrefixo);
    EXPECT_TRUE(calls().isEmpty());

    click(form().chbPrefixo);
    ui().clear();
    ui().queueAnswer(mrYes);
    confirm();
    EXPECT_EQ(ui().questions(), QStringList{u(kAsk)});
    EXPECT_EQ(ui().infos(), QStringList{u(kOk)});
    EXPECT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
    EXPECT_EQ(calls(), (QStringList{"SetUpdItemPrecoAlt", "getItemPreco"}));
    EXPECT_FALSE(formOpen());
    EXPECT_FALSE(widgets::busyAnimationActive());
    EXPECT_EQ(flagged("N"), 0);
    // The price table window shows the new flags.
    ASSERT_TRUE(locate(*win().cdsItemPreco, "CDPRODUTO", off));
    EXPECT_EQ(text(*win().cdsItemPreco, "IDPRODPROMOC"), "S");
}

TEST_F(PromotionWindow, PreviewTellsBothCallsAndWritesOnlyWhenConfirmed)
{
    const auto two = priced(2);
    setFlag(two[0].first, "N");
    setFlag(two[1].first, "N");
    const int off = flagged("N"); // and nothing else changes: the other rows hold "S"
    ASSERT_GT(off, 1);
    click(form().chbPrefixo);
    type(form().edtPrefixo, QStringLiteral("PROMO "));
    widgets::test::PreviewSeen back, confirmed;
    {
        widgets::ScopedDialogResponder r(widgets::test::previewResponder(back, false));
        QTest::mouseClick(form().sbtPrevia, Qt::LeftButton);
    }
    ASSERT_EQ(back.shown, 1) << ui().lastError().toStdString();
    EXPECT_EQ(back.counts.value(u("Produtos com a promoção alterada")), off);
    EXPECT_EQ(back.counts.value(u("Nomes de produto alterados")),
              scalar(QStringLiteral("SELECT COUNT(*) FROM PRODUTO WHERE CDNVPRODUTO = 4")).toInt());
    EXPECT_TRUE(formOpen());
    EXPECT_EQ(flagged("N"), off);
    EXPECT_EQ(name(two[0].first), two[0].second);

    {
        widgets::ScopedDialogResponder r(widgets::test::previewResponder(confirmed, true));
        QTest::mouseClick(form().sbtPrevia, Qt::LeftButton);
    }
    EXPECT_EQ(confirmed.counts, back.counts);
    EXPECT_TRUE(ui().questions().isEmpty());
    EXPECT_EQ(ui().infos(), QStringList{u(kOk)});
    EXPECT_FALSE(formOpen());
    EXPECT_EQ(flagged("N"), 0);
    EXPECT_EQ(name(two[0].first), u("PROMO ") + two[0].second);
}

TEST_F(PromotionWindow, ListOfTwoWithPrefixTakesThemOffPromotionOnlyAfterYes)
{
    const auto products = priced(3);
    for (const auto &p : products)
        setFlag(p.first, "S");
    click(form().grbProd->rbtLista);
    pick({products[0].second, products[1].second});
    EXPECT_EQ(calls(), QStringList{"GetAutItemPreco"});
    click(form().rdgPromocaoItens->button(1));
    click(form().chbPrefixo);
    type(form().edtPrefixo, QStringLiteral("PROMO "));
    const QString list = form().stListaProd;
    EXPECT_EQ(list, QStringLiteral("_%1_%2_").arg(products[0].first, products[1].first));

    clearCalls();
    ui().queueAnswer(mrNo);
    confirm();
    EXPECT_TRUE(calls().isEmpty());
    EXPECT_TRUE(formOpen());
    EXPECT_EQ(form().stListaProd, list);
    EXPECT_EQ(form().edtPrefixo->text(), "PROMO ");
    EXPECT_EQ(form().rdgPromocaoItens->checkedId(), 1);
    EXPECT_EQ(name(products[0].first), products[0].second);

    ui().queueAnswer(mrYes);
    confirm();
    EXPECT_EQ(calls(), (QStringList{"SetAddPrefixo", "SetUpdItemPrecoAlt", "getItemPreco"}));
    EXPECT_EQ(ui().infos(), QStringList{u(kOk)});
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(name(products[i].first), QStringLiteral("PROMO ") + products[i].second);
        EXPECT_EQ(flag(products[i].first), "N");
    }
    EXPECT_EQ(name(products[2].first), products[2].second);
    EXPECT_EQ(flag(products[2].first), "S");
}

TEST_F(PromotionWindow, RangeOrderIsTestedOnTheTextsAfterTheQuestion)
{
    const auto products = priced(2);
    setFlag(products[1].first, "N");
    click(form().grbProd->rbtIntervalo);
    typeCode(form().grbProd->medProdIni, tree(products[1].first));
    typeCode(form().grbProd->medProdFim, tree(products[0].first));
    EXPECT_EQ(form().grbProd->edtNomeIni->text(), products[1].second);
    ASSERT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();

    clearCalls();
    ui().queueAnswer(mrYes);
    confirm();
    EXPECT_EQ(ui().questions(), QStringList{u(kAsk)});
    EXPECT_EQ(ui().errors(),
              QStringList{u("Produto inicial deve ser menor ou igual que produto final.")});
    EXPECT_EQ(QApplication::focusWidget(), form().grbProd->medProdIni);
    EXPECT_EQ(calls(), (QStringList{"GetProdValid", "GetProdValid"}));

    // Equal texts are a range of one product.
    typeCode(form().grbProd->medProdFim, tree(products[1].first));
    ui().queueAnswer(mrYes);
    confirm();
    EXPECT_EQ(ui().infos(), QStringList{u(kOk)});
    EXPECT_EQ(flag(products[1].first), "S");
}

TEST_F(PromotionWindow, ASecondConfirmationAfterAFailedFlagCallSendsOnlyTheNewPick)
{
    const auto products = priced(3);
    for (const auto &p : products)
        setFlag(p.first, "N");
    click(form().grbProd->rbtLista);
    pick({products[0].second, products[1].second});
    // The server stops answering.
    net::TNetConnection &conn = *win().netTabGeral;
    conn.close();
    conn.BeforeConnect = [](net::TNetConnection &c) { c.Port = 1; };
    ui().queueAnswer(mrYes);
    confirm();
    EXPECT_EQ(ui().errors().size(), 1);
    EXPECT_TRUE(formOpen());
    EXPECT_FALSE(widgets::busyAnimationActive());
    EXPECT_EQ(flag(products[0].first), "N");

    conn.close();
    conn.BeforeConnect = [this](net::TNetConnection &c) {
        c.Host = QStringLiteral("127.0.0.1");
        c.Port = port();
    };
    ui().clear();
    // The list was consumed by the failed attempt: the user picks again.
    ui().queueAnswer(mrYes);
    confirm();
    EXPECT_EQ(ui().errors(), QStringList{u("Produto deve ser informado.")});
    EXPECT_EQ(QApplication::focusWidget(), form().grbProd->rbtLista);
    pick({products[2].second});
    ui().clear();
    ui().queueAnswer(mrYes);
    confirm();
    EXPECT_EQ(ui().infos(), QStringList{u(kOk)});
    EXPECT_EQ(flag(products[2].first), "S");
    EXPECT_EQ(flag(products[0].first), "N");
    EXPECT_EQ(flag(products[1].first), "N");
}

TEST_F(PromotionWindow, OpensModallyOnceAtATimeOnlyOverACurrentPeriod)
{
    QList<QDialog *> seen;
    widgets::ScopedDialogResponder r([&seen](QDialog &d) {
        seen << &d;
        EXPECT_EQ(&d, frmCadAutPromocao.data());
        EXPECT_TRUE(boStCriado);
        EXPECT_TRUE(d.isModal());
        EXPECT_FALSE(widgets::hourglassActive());
        d.reject();
    });
    // From the host's menu, and from the price table window's toolbar button.
    CriaCadAutPromocao();
    QApplication::processEvents();
    EXPECT_FALSE(boStCriado);
    pricetable::boIdCriado = true; // the fixture's price table window is the module's
    criaTabGeral();
    win().sbtProdPro->trigger();
    QApplication::processEvents();
    ASSERT_EQ(seen.size(), 2);
    EXPECT_NE(seen[0], seen[1]);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(frmCadAutPromocao);
    EXPECT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();

    // Without the price table window, or without a period in it, nothing opens.
    const QString refused = u("Abra a Tabela de Preços Geral e escolha uma vigência antes de "
                              "usar esta ferramenta.");
    pricetable::frmTabGeral = nullptr;
    CriaCadAutPromocao();
    pricetable::frmTabGeral = &win();
    scalar(QStringLiteral("INSERT INTO TABEPRECGER (CDTABEPREC, NMTABEPREC) VALUES ('004', "
                          "'SEM VIGENCIA')"));
    win().sbtVerificar->trigger();
    ASSERT_TRUE(locate(*win().cdsTabGeral, "CDTABEPREC", QStringLiteral("004")));
    QApplication::processEvents();
    ASSERT_TRUE(win().cdsVigenciaTab->isEmpty());
    win().sbtProdPro->trigger();
    QApplication::processEvents();
    EXPECT_EQ(ui().errors(), (QStringList{refused, refused}));
    EXPECT_EQ(seen.size(), 2);
    EXPECT_FALSE(boStCriado);
}

} // namespace vnd::promotion::test
