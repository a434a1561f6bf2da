// The "Produto" block with the profiles of the promotion and differentiated-price windows:
// control states, range code checks and their focus, and what each profile does to the list.

#include "host/services/scriptedui.h"
#include "host/widgets/btnpesquisa.h"
#include "host/widgets/dbgrid.h"
#include "host/widgets/dialogrunner.h"
#include "host/widgets/maskedit.h"
#include "printers.h"
#include "tools/selection/productselection.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace vnd;
using namespace vnd::selection;

namespace
{

const QString kList = QStringLiteral("_0000000011_0000000022_");

class Block : public ::testing::Test
{
protected:
    // The differentiated-price window's wording unless promotion is asked for.
    void build(bool promotion)
    {
        rows.loadPacket(
            {{{QStringLiteral("CDPRODUTO"), data::FieldType::String, 10},
              {QStringLiteral("CDARVPROD"), data::FieldType::String, 20},
              {QStringLiteral("NMPRODUTO"), data::FieldType::String, 50}},
             {{"0000000011", "1010010001", "AGUA"}, {"0000000022", "1010010002", "SUCO"}}});
        SelectionProfile p;
        p.pickerTitle = QStringLiteral("Produto");
        p.offeredProducts = [this] { return &source; };
        p.rangeProducts = [this] { return &source; };
        p.productName = [this](const QString &code) -> std::optional<QString> {
            ++lookups;
            if (rows.locate({QStringLiteral("CDARVPROD")}, {code}))
                return rows.fieldByName(u"NMPRODUTO").asString();
            return std::nullopt;
        };
        p.startMissingMessage = promotion ? QStringLiteral("Produto inicial deve ser informado.")
                                          : QStringLiteral("Produto Inicial deve ser informado.");
        p.endMissingMessage = QStringLiteral("Produto final deve ser informado.");
        p.notRegisteredMessage = QStringLiteral("Produto não cadastrado.");
        p.emptyListMessage = QStringLiteral("Produto deve ser informado.");
        p.focusListOnEmpty = promotion;
        p.intervaloEmptiesList = !promotion;
        p.activationEmptiesList = !promotion;
        block = new ProductSelection(std::move(p), list, &window);
        other = new QLineEdit(&window);
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(block);
        layout->addWidget(other);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        block->activate();
    }
    void typeCode(widgets::TMaskEdit *edit, const QString &digits)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        edit->setCursorPosition(0);
        QTest::keyClicks(edit, digits);
    }
    void leave() { other->setFocus(); }

    ScriptedUi ui;
    QWidget window;
    QLineEdit *other = nullptr;
    QString list;
    data::ClientDataSet rows;
    data::DataSource source{&rows};
    ProductSelection *block = nullptr;
    int lookups = 0;
};

} // namespace

TEST_F(Block, ChoicesSetTheControlStatesFromTheFirstClickOn)
{
    build(false);
    EXPECT_TRUE(block->rbtTodos->isChecked());
    EXPECT_FALSE(block->btnListaProd->isEnabled());
    EXPECT_FALSE(block->btnProdutoIni->isEnabled());
    EXPECT_TRUE(block->medProdIni->isEnabled()); // until a choice is made
    EXPECT_FALSE(block->edtNomeIni->isEnabled());

    QTest::mouseClick(block->rbtIntervalo, Qt::LeftButton);
    EXPECT_EQ(block->mode(), Mode::Intervalo);
    for (QWidget *w : std::initializer_list<QWidget *>{block->medProdIni, block->medProdFim,
                                                       block->btnProdutoIni, block->btnProdutoFim})
        EXPECT_TRUE(w->isEnabled());
    EXPECT_FALSE(block->btnListaProd->isEnabled());

    QTest::mouseClick(block->rbtLista, Qt::LeftButton);
    EXPECT_TRUE(block->btnListaProd->isEnabled());
    EXPECT_FALSE(block->medProdFim->isEnabled());
    QTest::mouseClick(block->rbtTodos, Qt::LeftButton);
    EXPECT_FALSE(block->btnListaProd->isEnabled());
    EXPECT_FALSE(block->medProdIni->isEnabled());
}

TEST_F(Block, RangeCodesAreCheckedOnExitAndWhenRequired)
{
    build(false);
    QTest::mouseClick(block->rbtIntervalo, Qt::LeftButton);
    block->medProdIni->setFocus();
    leave();
    EXPECT_TRUE(ui.errors().isEmpty());
    EXPECT_EQ(lookups, 0);

    typeCode(block->medProdIni, QStringLiteral("1010010002"));
    leave();
    EXPECT_EQ(block->edtNomeIni->text(), "SUCO");
    QTest::keyClick(block->medProdIni, Qt::Key_Backspace);
    EXPECT_TRUE(block->edtNomeIni->text().isEmpty());

    typeCode(block->medProdIni, QStringLiteral("1010010009"));
    leave();
    EXPECT_EQ(ui.errors(), QStringList{QStringLiteral("Produto não cadastrado.")});
    EXPECT_EQ(QApplication::focusWidget(), block->medProdIni);
    EXPECT_TRUE(block->edtNomeIni->text().isEmpty());

    typeCode(block->medProdIni, QString());
    other->setFocus();
    ui.clear();
    EXPECT_FALSE(guarded([this] { block->checkStart(true); }));
    EXPECT_EQ(ui.errors(), QStringList{QStringLiteral("Produto Inicial deve ser informado.")});
    EXPECT_EQ(QApplication::focusWidget(), block->medProdIni);

    typeCode(block->medProdIni, QStringLiteral("1010010001"));
    leave();
    ui.clear();
    EXPECT_FALSE(guarded([this] {
        block->checkStart(true);
        block->checkEnd(true);
    }));
    EXPECT_EQ(ui.errors(), QStringList{QStringLiteral("Produto final deve ser informado.")});
    EXPECT_EQ(QApplication::focusWidget(), block->medProdFim);

    // The range lookup fills the code and its name.
    rows.first();
    widgets::ScopedDialogResponder pick([](QDialog &d) {
        QTest::keyClick(d.findChild<widgets::TDBGrid *>(), Qt::Key_Down);
        d.accept();
    });
    block->btnProdutoFim->click();
    EXPECT_EQ(block->medProdFim->Text(), "1010010002");
    EXPECT_EQ(block->edtNomeFim->text(), "SUCO");
}

TEST_F(Block, DifferentiatedPriceProfileEmptiesTheListOnActivationAndIntervalo)
{
    build(false);
    list = kList;
    block->activate();
    EXPECT_TRUE(list.isEmpty());
    list = kList;
    QTest::mouseClick(block->rbtIntervalo, Qt::LeftButton);
    EXPECT_TRUE(list.isEmpty());

    QTest::mouseClick(block->rbtLista, Qt::LeftButton);
    other->setFocus();
    EXPECT_FALSE(guarded([this] { block->checkList(); }));
    EXPECT_EQ(ui.errors(), QStringList{QStringLiteral("Produto deve ser informado.")});
    EXPECT_EQ(QApplication::focusWidget(), other);
}

TEST_F(Block, PromotionProfileKeepsTheListUntilTodosAndHandsItToTheDataset)
{
    build(true);
    list = kList;
    block->activate();
    QTest::mouseClick(block->rbtIntervalo, Qt::LeftButton);
    QTest::mouseClick(block->rbtLista, Qt::LeftButton);
    EXPECT_EQ(list, kList);

    data::ClientDataSet chosen;
    block->takeListInto(chosen);
    EXPECT_TRUE(list.isEmpty());
    EXPECT_EQ(chosen.recordCount(), 2);
    other->setFocus();
    EXPECT_FALSE(guarded([this] { block->checkList(); }));
    EXPECT_EQ(QApplication::focusWidget(), block->rbtLista);

    list = kList;
    QTest::mouseClick(block->rbtTodos, Qt::LeftButton);
    EXPECT_TRUE(list.isEmpty());
}
