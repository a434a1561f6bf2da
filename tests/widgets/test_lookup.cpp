#include "gridfixture.h"

#include "host/widgets/btnpesquisa.h"
#include "host/widgets/dialogrunner.h"
#include "host/widgets/pesquisalista.h"
#include "host/widgets/pesquisar.h"
#include "host/widgets/procura.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace vnd;
using namespace vnd::widgets;
using namespace vnd::widgets::test;

namespace
{
data::DataPacket products()
{
    data::DataPacket p;
    p.fields = {{QStringLiteral("CDPRODUTO"), data::FieldType::String, 10},
                {QStringLiteral("NMPRODUTO"), data::FieldType::String, 40}};
    p.rows = {{QStringLiteral("0000000001"), QStringLiteral("Arroz")},
              {QStringLiteral("0000000002"), QStringLiteral("Feijão")},
              {QStringLiteral("0000000003"), QStringLiteral("Farinha")}};
    return p;
}

QPushButton *button(QDialog &d, const QString &caption)
{
    for (QPushButton *b : d.findChildren<QPushButton *>())
        if (b->text().remove(u'&') == caption)
            return b;
    return nullptr;
}

class Lookup : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ds.loadPacket(products());
        src.setDataSet(&ds);
    }
    ScriptedUi ui;
    data::ClientDataSet ds;
    data::DataSource src;
};
} // namespace

TEST_F(Lookup, PesquisarPicksByTypingAndLeavesTheRowCurrent)
{
    ScopedDialogResponder r([](QDialog &d) {
        auto &dlg = dynamic_cast<PesquisarDialog &>(d);
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Produto"));
        dlg.searchField()->setCurrentIndex(1);
        QTest::keyClicks(dlg.searchEdit(), QStringLiteral("fa"));
        QTest::mouseClick(button(d, QStringLiteral("Confirmar")), Qt::LeftButton);
    });
    EXPECT_TRUE(Pesquisar(&src, QStringLiteral("Produto|Não há produto cadastrado.")));
    EXPECT_EQ(ds.fieldByName(u"NMPRODUTO").asString(), QStringLiteral("Farinha"));
}

TEST_F(Lookup, PesquisarCancelledRestoresTheCursorAndEmptyShowsNotFound)
{
    ds.moveTo(1);
    ScopedDialogResponder r([](QDialog &d) {
        auto &dlg = dynamic_cast<PesquisarDialog &>(d);
        QTest::keyClicks(dlg.searchEdit(), QStringLiteral("0000000003"));
        QTest::mouseClick(button(d, QStringLiteral("Cancelar")), Qt::LeftButton);
    });
    EXPECT_FALSE(Pesquisar(&src, QStringLiteral("Produto")));
    EXPECT_EQ(ds.recNo(), 1);

    ds.loadPacket(data::DataPacket{products().fields, {}});
    EXPECT_FALSE(Pesquisar(&src, QStringLiteral("Produto|Não há produto cadastrado.")));
    EXPECT_EQ(ui.infos(), QStringList{QStringLiteral("Não há produto cadastrado.")});
}

TEST_F(Lookup, ListTextsRoundTrip)
{
    struct Case {
        const char *text;
        QStringList keys;
    } cases[] = {
        {"_0000000001_0000000002_", {QStringLiteral("0000000001"), QStringLiteral("0000000002")}},
        {"_0000000001_0000000002", {QStringLiteral("0000000001"), QStringLiteral("0000000002")}},
        {"", {}},
        {"_", {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(parseListText(QString::fromUtf8(c.text), 10), c.keys) << c.text;
    EXPECT_EQ(makeListText({QStringLiteral("0000000001"), QStringLiteral("12")}, 10),
              QStringLiteral("_0000000001_12        _"));
    EXPECT_EQ(makeListText({}, 10), QString());
}

TEST_F(Lookup, PesquisaListaMarksRowsByClickAndSpace)
{
    QString list = QStringLiteral("_0000000002_");
    ScopedDialogResponder r([](QDialog &d) {
        auto &dlg = dynamic_cast<PesquisaListaDialog &>(d);
        EXPECT_FALSE(dlg.isMarked(0));
        EXPECT_TRUE(dlg.isMarked(1));
        TDBGrid *g = dlg.grid();
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {},
                          g->visualRect(g->model()->index(2, 0)).center());
        g->setFocus();
        QTest::keyClick(g, Qt::Key_Up);
        QTest::keyClick(g, Qt::Key_Space); // unmarks row 1
        QTest::mouseClick(button(d, QStringLiteral("Confirmar")), Qt::LeftButton);
    });
    EXPECT_TRUE(
        PesquisaLista(&src, QStringLiteral("CDPRODUTO"), QStringLiteral("Produto"), false, list));
    EXPECT_EQ(list, QStringLiteral("_0000000003_"));

    ScopedDialogResponder all([](QDialog &d) {
        QTest::mouseClick(button(d, QStringLiteral("Marcar todos")), Qt::LeftButton);
        QTest::mouseClick(button(d, QStringLiteral("Cancelar")), Qt::LeftButton);
    });
    EXPECT_FALSE(
        PesquisaLista(&src, QStringLiteral("CDPRODUTO"), QStringLiteral("Produto"), false, list));
    EXPECT_EQ(list, QStringLiteral("_0000000003_"));
}

TEST_F(Lookup, PesquisaListaFindsByTypingMarksWithEnterAndCountsTheMarks)
{
    // A key no row offers any more is dropped.
    QString list = QStringLiteral("_0000000009_0000000001_");
    ScopedDialogResponder r([](QDialog &d) {
        auto &dlg = dynamic_cast<PesquisaListaDialog &>(d);
        EXPECT_EQ(dlg.countLabel()->text(), QStringLiteral("Marcados: 1 de 3"));
        dlg.searchField()->setCurrentIndex(
            dlg.searchField()->findText(QStringLiteral("NMPRODUTO")));
        QTest::keyClicks(dlg.searchEdit(), QStringLiteral("FAR"));
        QTest::keyClick(dlg.searchEdit(), Qt::Key_Return);
        EXPECT_TRUE(dlg.isMarked(2));
        QTest::keyClick(dlg.searchEdit(), Qt::Key_Up);
        QTest::keyClick(dlg.searchEdit(), Qt::Key_Return);
        EXPECT_EQ(dlg.countLabel()->text(), QStringLiteral("Marcados: 3 de 3"));
        EXPECT_TRUE(d.isVisible());
        QTest::mouseClick(button(d, QStringLiteral("Confirmar")), Qt::LeftButton);
    });
    EXPECT_TRUE(
        PesquisaLista(&src, QStringLiteral("CDPRODUTO"), QStringLiteral("Produto"), false, list));
    EXPECT_EQ(list, QStringLiteral("_0000000001_0000000002_0000000003_"));
}

TEST_F(Lookup, ProcuraFindsTheNextMatchingRow)
{
    ScopedDialogResponder r([](QDialog &d) {
        auto &dlg = dynamic_cast<ProcuraDialog &>(d);
        dlg.fieldChoice()->setCurrentIndex(1);
        QTest::keyClicks(dlg.textEdit(), QStringLiteral("fa"));
        QTest::mouseClick(button(d, QStringLiteral("Procurar")), Qt::LeftButton);
        QTest::mouseClick(button(d, QStringLiteral("Fechar")), Qt::LeftButton);
    });
    EXPECT_TRUE(Procura(&ds));
    EXPECT_EQ(ds.recNo(), 2);

    ScopedDialogResponder none([](QDialog &d) {
        auto &dlg = dynamic_cast<ProcuraDialog &>(d);
        QTest::keyClicks(dlg.textEdit(), QStringLiteral("zzz"));
        QTest::mouseClick(button(d, QStringLiteral("Procurar")), Qt::LeftButton);
    });
    EXPECT_FALSE(Procura(&ds));
    EXPECT_EQ(ds.recNo(), 2);
    EXPECT_EQ(ui.infos().size(), 1);
}

// Typing in the picker, in the lookup and in Procurar follows one rule: the beginning of the
// text, case and accents aside; a text nothing begins with moves nothing, says so, and Enter
// then takes nothing.
TEST(SearchRuleInDialogs, FindsByTheBeginningWithoutAccentsAndNeverJumpsToANeighbour)
{
    ScriptedUi ui;
    data::DataPacket p = products();
    p.rows = {{QStringLiteral("0000000001"), QStringLiteral("AÇAÍ NA TIGELA 500ML")},
              {QStringLiteral("0000000002"), QStringLiteral("ÁGUA MINERAL 500ML")},
              {QStringLiteral("0000000003"), QStringLiteral("PASTEL DE CARNE")},
              {QStringLiteral("0000000004"), QStringLiteral("PÃO DE QUEIJO")}};
    data::ClientDataSet ds;
    ds.loadPacket(p);
    ds.fieldByName(u"NMPRODUTO").displayLabel = QStringLiteral("Nome");
    data::DataSource src(&ds);
    const auto name = [&ds] { return ds.fieldByName(u"NMPRODUTO").asString(); };

    QString list;
    ScopedDialogResponder picker([&](QDialog &d) {
        auto &dlg = dynamic_cast<PesquisaListaDialog &>(d);
        dlg.searchField()->setCurrentIndex(dlg.searchField()->findText(QStringLiteral("Nome")));
        QTest::keyClicks(dlg.searchEdit(), QStringLiteral("agua"));
        EXPECT_EQ(name(), QStringLiteral("ÁGUA MINERAL 500ML"));
        EXPECT_FALSE(dlg.notice()->isVisibleTo(&dlg));
        QTest::keyClick(dlg.searchEdit(), Qt::Key_Return); // marks ÁGUA
        dlg.searchEdit()->clear();
        QTest::keyClicks(dlg.searchEdit(), QStringLiteral("pao"));
        EXPECT_EQ(name(), QStringLiteral("PÃO DE QUEIJO"));
        QTest::keyClicks(dlg.searchEdit(), QStringLiteral("zzz"));
        EXPECT_EQ(name(), QStringLiteral("PÃO DE QUEIJO"));
        EXPECT_TRUE(dlg.notice()->isVisibleTo(&dlg));
        EXPECT_EQ(dlg.notice()->text(),
                  QString::fromUtf8("Nenhum registro começa com \"paozzz\"."));
        QTest::keyClick(dlg.searchEdit(), Qt::Key_Return); // marks nothing
        QTest::mouseClick(button(d, QStringLiteral("Confirmar")), Qt::LeftButton);
    });
    EXPECT_TRUE(PesquisaLista(&src, QStringLiteral("CDPRODUTO"), QString(), false, list));
    EXPECT_EQ(list, QStringLiteral("_0000000002_"));

    ds.first();
    ScopedDialogResponder lookup([](QDialog &d) {
        auto &dlg = dynamic_cast<PesquisarDialog &>(d);
        dlg.searchField()->setCurrentIndex(dlg.searchField()->findText(QStringLiteral("Nome")));
        QTest::keyClicks(dlg.searchEdit(), QStringLiteral("acai n"));
        EXPECT_EQ(dlg.grid()->dataSet()->recNo(), 0);
        QTest::keyClicks(dlg.searchEdit(), QStringLiteral("x"));
        QTest::keyClick(dlg.searchEdit(), Qt::Key_Return); // not found: picks nothing
        EXPECT_TRUE(d.isVisible());
        dlg.searchEdit()->clear();
        QTest::keyClicks(dlg.searchEdit(), QStringLiteral("AGUA"));
        QTest::keyClick(dlg.searchEdit(), Qt::Key_Return);
    });
    EXPECT_TRUE(Pesquisar(&src, QStringLiteral("Produto")));
    EXPECT_EQ(name(), QStringLiteral("ÁGUA MINERAL 500ML"));

    ScopedDialogResponder search([](QDialog &d) {
        auto &dlg = dynamic_cast<ProcuraDialog &>(d);
        EXPECT_EQ(dlg.focusWidget(), dlg.textEdit());
        dlg.fieldChoice()->setCurrentIndex(dlg.fieldChoice()->findText(QStringLiteral("Nome")));
        for (QChar c : QStringLiteral("pão")) // an accent as a keyboard gives it
            QTest::sendKeyEvent(QTest::Click, dlg.textEdit(), Qt::Key_unknown, QString(c),
                                Qt::NoModifier);
        QTest::keyClick(dlg.textEdit(), Qt::Key_Return);
        QTest::keyClick(dlg.textEdit(), Qt::Key_Escape);
    });
    EXPECT_TRUE(Procura(&ds));
    EXPECT_EQ(name(), QStringLiteral("PÃO DE QUEIJO"));
    ScopedDialogResponder none([](QDialog &d) {
        auto &dlg = dynamic_cast<ProcuraDialog &>(d);
        QTest::keyClicks(dlg.textEdit(), QStringLiteral("agua mineral 1"));
        QTest::keyClick(dlg.textEdit(), Qt::Key_Return);
    });
    EXPECT_FALSE(Procura(&ds));
    EXPECT_EQ(name(), QStringLiteral("PÃO DE QUEIJO"));
    EXPECT_EQ(ui.infos(),
              QStringList{QString::fromUtf8("Nenhum registro começa com \"agua mineral 1\".")});
}

// Procurar offers what the grid shows, by its captions, each once: never an internal name.
TEST(ProcuraChoices, AreTheGridsCaptionsEachOnce)
{
    ScriptedUi ui;
    data::ClientDataSet ds;
    ds.addField(QStringLiteral("CDPRODUTO"), data::FieldType::String, 10).displayLabel =
        QStringLiteral("Produto");
    ds.addField(QStringLiteral("CDARVPROD"), data::FieldType::String, 20).displayLabel =
        QStringLiteral("Produto");
    ds.addField(QStringLiteral("NRCOMPPROD"), data::FieldType::Float);
    ds.addField(QStringLiteral("NMPRODUTO"), data::FieldType::String, 40);
    ds.addField(QStringLiteral("CDTABEPREC"), data::FieldType::String, 3);
    data::DataPacket p;
    for (int i = 0; i < ds.fieldCount(); ++i)
        p.fields.push_back({ds.field(i).fieldName(), ds.field(i).dataType(), ds.field(i).size()});
    p.rows = {{QStringLiteral("1"), QStringLiteral("1"), 0.0, QStringLiteral("ARROZ"),
               QStringLiteral("001")}};
    ds.loadPacket(p);
    data::DataSource src(&ds);
    TDBGrid grid;
    grid.addColumn(QStringLiteral("NRCOMPPROD"), QStringLiteral(" "), 17);
    grid.addColumn(QStringLiteral("CDARVPROD"), QStringLiteral("Produto"));
    grid.addColumn(QStringLiteral("NMPRODUTO"), QStringLiteral("Nome"));
    grid.addColumn(QStringLiteral("CDPRODUTO"), QStringLiteral("Produto"));
    grid.setDataSource(&src);

    QStringList offered, labelled;
    ScopedDialogResponder r([&offered](QDialog &d) {
        auto &dlg = dynamic_cast<ProcuraDialog &>(d);
        for (int i = 0; i < dlg.fieldChoice()->count(); ++i)
            offered << dlg.fieldChoice()->itemText(i);
    });
    Procura(&ds, &grid);
    EXPECT_EQ(offered, (QStringList{QStringLiteral("Produto"), QStringLiteral("Nome")}));
    // Without a grid: the labelled fields, each label once.
    ScopedDialogResponder bare([&labelled](QDialog &d) {
        auto &dlg = dynamic_cast<ProcuraDialog &>(d);
        for (int i = 0; i < dlg.fieldChoice()->count(); ++i)
            labelled << dlg.fieldChoice()->itemText(i);
    });
    Procura(&ds);
    EXPECT_EQ(labelled, QStringList{QStringLiteral("Produto")});
}

TEST_F(Lookup, BtnPesquisaRunsItsHooksAroundTheLookup)
{
    TBtnPesquisa btn;
    btn.setDataSource(&src);
    btn.caption = QStringLiteral("Produto|Não há produto cadastrado.");
    QStringList log;
    btn.onBeforePesq = [&](TBtnPesquisa &) { log << QStringLiteral("before"); };
    btn.onAfterPesq = [&](TBtnPesquisa &) {
        log << QStringLiteral("after ") + ds.fieldByName(u"CDPRODUTO").asString();
    };
    {
        ScopedDialogResponder r([](QDialog &d) {
            auto &dlg = dynamic_cast<PesquisarDialog &>(d);
            QTest::keyClicks(dlg.searchEdit(), QStringLiteral("0000000002"));
            QTest::keyClick(dlg.searchEdit(), Qt::Key_Return);
        });
        btn.click();
    }
    {
        ScopedDialogResponder r([](QDialog &d) { d.reject(); });
        EXPECT_FALSE(btn.execute());
    }
    EXPECT_EQ(log, (QStringList{QStringLiteral("before"), QStringLiteral("after 0000000002"),
                                QStringLiteral("before")}));
}
