#include "gridfixture.h"

#include "host/widgets/dbgridmodel.h"
#include "host/widgets/dbsortgrid.h"
#include "host/widgets/recordindicator.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>

using namespace vnd;
using namespace vnd::widgets;
using namespace vnd::widgets::test;
using data::DataSetState;

namespace
{
enum Col { cCodigo, cNome, cPreco, cFlag, cHora };
}

class Grid : public GridFixture
{
};

TEST_F(Grid, ModelStaysConsistentThroughLoadsInsertsAndDeletes)
{
    QAbstractItemModelTester tester(grid->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(grid->model()->rowCount(), 3);
    EXPECT_EQ(grid->model()->columnCount(), 5);
    ds->append();
    ds->fieldByName(u"CODIGO").setAsString(QStringLiteral("009"));
    ds->post();
    EXPECT_EQ(grid->model()->rowCount(), 4);
    ds->first();
    ds->remove();
    EXPECT_EQ(grid->model()->rowCount(), 3);
    ds->loadPacket(pricePacket(5));
    EXPECT_EQ(grid->model()->rowCount(), 5);
    EXPECT_EQ(grid->model()->index(4, cNome).data().toString(), QStringLiteral("Ervilha"));
}

TEST_F(Grid, CurrentRowFollowsTheDatasetBothWays)
{
    ds->moveTo(2);
    EXPECT_EQ(grid->currentIndex().row(), 2);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(1, cNome)).center());
    EXPECT_EQ(ds->recNo(), 1);
    key(Qt::Key_Up);
    EXPECT_EQ(ds->recNo(), 0);
}

TEST_F(Grid, TypingStartsEditAndLeavingTheRowPosts)
{
    goTo(0, cNome);
    type(QStringLiteral("Abacate"));
    EXPECT_EQ(ds->state(), DataSetState::Edit);
    key(Qt::Key_Down);
    EXPECT_EQ(ds->state(), DataSetState::Browse);
    EXPECT_EQ(text(0, "NOME"), QStringLiteral("Abacate"));
    EXPECT_EQ(ds->recNo(), 1);
    EXPECT_EQ(ds->changeCount(), 1);
}

TEST_F(Grid, EscCancelsAndEnterOnTheLastColumnPosts)
{
    goTo(1, cNome);
    type(QStringLiteral("xyz"));
    key(Qt::Key_Escape);
    EXPECT_EQ(ds->state(), DataSetState::Browse);
    EXPECT_EQ(text(1, "NOME"), QStringLiteral("Batata"));

    goTo(1, cHora);
    type(QStringLiteral("1"));
    EXPECT_EQ(ds->state(), DataSetState::Edit);
    key(Qt::Key_Return);
    EXPECT_EQ(ds->state(), DataSetState::Browse);
    EXPECT_EQ(text(1, "HORA"), QStringLiteral("1"));
}

TEST_F(Grid, MaskedColumnsStoreWithoutLiterals)
{
    ds->fieldByName(u"HORA").editMask = QStringLiteral("!90:00;0; ");
    goTo(0, cHora);
    key(Qt::Key_F2);
    auto *edit = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->displayText(), QStringLiteral("09:30"));
    edit->selectAll();
    type(QStringLiteral("1045"));
    key(Qt::Key_Return);
    EXPECT_EQ(text(0, "HORA"), QStringLiteral("1045"));
}

TEST_F(Grid, ReadOnlyColumnsAndFieldsRefuseTyping)
{
    grid->column(cPreco).readOnly = true;
    ds->fieldByName(u"CODIGO").readOnly = true;
    for (int col : {int(cPreco), int(cCodigo)}) {
        goTo(0, col);
        type(QStringLiteral("7"));
        EXPECT_EQ(ds->state(), DataSetState::Browse) << col;
    }
    grid->removeOption(dgEditing);
    goTo(0, cNome);
    type(QStringLiteral("q"));
    EXPECT_EQ(ds->state(), DataSetState::Browse);
}

TEST_F(Grid, KeyPressHandlerCanChangeOrSwallowCharacters)
{
    grid->onKeyPress = [this](QChar &ch) {
        if (grid->SelectedField()->fieldName() == u"CODIGO")
            ch = QChar();
        else if (ch >= u'a' && ch <= u'z')
            ch = ch.toUpper();
    };
    goTo(0, cCodigo);
    type(QStringLiteral("5"));
    EXPECT_EQ(ds->state(), DataSetState::Browse);
    goTo(0, cNome);
    type(QStringLiteral("pêra"));
    key(Qt::Key_Return);
    EXPECT_EQ(text(0, "NOME"), QStringLiteral("PêRA"));
}

TEST_F(Grid, CtrlDeleteAsksAndKeyDownHandlerCanSwallowIt)
{
    goTo(1, cNome);
    ui.queueAnswer(mrNo);
    key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(ds->recordCount(), 3);
    ui.queueAnswer(mrYes);
    key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(ds->recordCount(), 2);

    grid->onKeyDown = [](int &k, Qt::KeyboardModifiers m) {
        if (k == Qt::Key_Delete && (m & Qt::ControlModifier))
            k = 0;
    };
    key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(ds->recordCount(), 2);
    EXPECT_TRUE(ui.clean());
    EXPECT_EQ(ui.questions().size(), 2);
}

TEST_F(Grid, DownOnTheLastRowAppendsOnlyWhenAllowed)
{
    goTo(2, cNome);
    grid->allowAppend = false;
    key(Qt::Key_Down);
    EXPECT_EQ(ds->recordCount(), 3);

    grid->allowAppend = true;
    ds->beforeInsert = [](data::ClientDataSet &) { throw SilentAbort{}; };
    key(Qt::Key_Down);
    EXPECT_EQ(ds->recordCount(), 3);
    EXPECT_EQ(ds->state(), DataSetState::Browse);

    ds->beforeInsert = nullptr;
    key(Qt::Key_Down);
    EXPECT_EQ(ds->state(), DataSetState::Insert);
    EXPECT_EQ(ds->recordCount(), 4);
    // Untouched, the new row goes away when the focus leaves the grid.
    other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(ds->state(), DataSetState::Browse);
    EXPECT_EQ(ds->recordCount(), 3);
}

TEST_F(Grid, PickListStoresThroughTheSetTextHook)
{
    data::Field &flag = ds->fieldByName(u"FLAG");
    flag.onGetText = [](const data::Field &f, bool) {
        return f.asString() == u"S" ? QStringLiteral("Sim") : QStringLiteral("Não");
    };
    flag.onSetText = [](data::Field &f, const QString &t) {
        f.setAsString(t == u"Sim" ? QStringLiteral("S") : QStringLiteral("N"));
    };
    grid->column(cFlag).pickList = {QStringLiteral("Sim"), QStringLiteral("Não")};
    goTo(0, cFlag);
    key(Qt::Key_F2);
    auto *combo = qobject_cast<QComboBox *>(QApplication::focusWidget());
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->currentText(), QStringLiteral("Não"));
    QTest::keyClicks(combo, QStringLiteral("S"));
    key(Qt::Key_Return);
    EXPECT_EQ(text(0, "FLAG"), QStringLiteral("Sim"));
    EXPECT_EQ(ds->valueAt(0, flag.index()).toString(), QStringLiteral("S"));
}

TEST_F(Grid, DrawHandlerPaintsEveryRowWithItsOwnValues)
{
    QStringList seen;
    QList<bool> selected;
    grid->onDrawColumnCell = [&](const QRect &r, int ci, TColumn &column, GridDrawState st) {
        if (ci != cCodigo)
            return;
        seen << column.field->asString();
        selected << st.selected;
        grid->Canvas().Brush.Color = Qt::yellow;
        grid->Canvas().FillRect(r);
    };
    goTo(1, cCodigo);
    const QImage shot = grid->viewport()->grab().toImage();
    EXPECT_TRUE(seen.contains(QStringLiteral("001")));
    EXPECT_TRUE(seen.contains(QStringLiteral("002")));
    EXPECT_TRUE(seen.contains(QStringLiteral("003")));
    EXPECT_TRUE(selected.contains(true));
    const QRect cell = grid->visualRect(grid->model()->index(0, cCodigo));
    EXPECT_EQ(shot.pixelColor(cell.center()), QColor(Qt::yellow));
}

TEST_F(Grid, ColumnEnterExitAndAFailingExitKeepsTheColumn)
{
    QStringList log;
    grid->onColEnter = [&] {
        log << QStringLiteral("enter ") + grid->SelectedField()->fieldName();
    };
    grid->onColExit = [&] {
        log << QStringLiteral("exit ") + grid->SelectedField()->fieldName();
        if (grid->SelectedField()->fieldName() == u"PRECO")
            throw Error(QStringLiteral("Preço inválido."));
    };
    goTo(0, cNome);
    key(Qt::Key_Tab);
    EXPECT_EQ(grid->SelectedIndex(), int(cPreco));
    key(Qt::Key_Tab);
    EXPECT_EQ(grid->SelectedIndex(), int(cPreco));
    EXPECT_EQ(ui.errors(), QStringList{QStringLiteral("Preço inválido.")});
    EXPECT_EQ(log, (QStringList{QStringLiteral("exit CODIGO"), QStringLiteral("enter NOME"),
                                QStringLiteral("exit NOME"), QStringLiteral("enter PRECO"),
                                QStringLiteral("exit PRECO")}));
}

TEST_F(Grid, EditButtonCellClickAndIndiceCol)
{
    int buttons = 0;
    QStringList clicks;
    grid->column(cNome).buttonStyle = ColumnButtonStyle::Ellipsis;
    grid->onEditButtonClick = [&] { ++buttons; };
    grid->onCellClick = [&](TColumn &c) { clicks << c.fieldName; };
    goTo(0, cNome);
    key(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(buttons, 1);
    const QRect cell = grid->visualRect(grid->model()->index(0, cNome));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      QPoint(cell.right() - 3, cell.center().y()));
    EXPECT_EQ(buttons, 2);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(1, cPreco)).center());
    EXPECT_EQ(clicks, QStringList{QStringLiteral("PRECO")});
    EXPECT_EQ(IndiceCol(grid, QStringLiteral("preco")), int(cPreco));
    EXPECT_EQ(IndiceCol(grid, QStringLiteral("NADA")), -1);
}

TEST_F(Grid, FailingHandlersNeverEscapeTheEventLoop)
{
    grid->onKeyDown = [](int &, Qt::KeyboardModifiers) { throw std::runtime_error("falhou"); };
    goTo(0, cNome);
    key(Qt::Key_A);
    EXPECT_EQ(ds->state(), DataSetState::Browse);
    EXPECT_EQ(ui.errors().size(), 1);
}

class SortGrid : public GridFixture
{
protected:
    TDBGrid *makeGrid() override { return new TDBSortGrid; }
};

TEST_F(SortGrid, TitleClickSortsAndClickingAgainRestoresLoadOrder)
{
    data::DataPacket p = pricePacket(5);
    std::reverse(p.rows.begin(), p.rows.end());
    ds->loadPacket(p);
    auto firstName = [this] { return grid->model()->index(0, cNome).data().toString(); };
    EXPECT_EQ(firstName(), QStringLiteral("Ervilha"));
    const int x = grid->horizontalHeader()->sectionViewportPosition(cNome) + 5;
    QTest::mouseClick(grid->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(x, 5));
    EXPECT_EQ(ds->indexFieldNames(), QStringLiteral("NOME"));
    EXPECT_EQ(firstName(), QStringLiteral("Alface"));
    QTest::mouseClick(grid->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(x, 5));
    EXPECT_EQ(ds->indexFieldNames(), QString());
    EXPECT_EQ(firstName(), QStringLiteral("Ervilha"));
}

// The row header marks the current record by state; a click, a key or a dataset move
// carries the mark, and only one row ever has it.
TEST_F(Grid, RecordIndicatorMarksTheCurrentRowByState)
{
    const auto marks = [this] {
        QList<int> m;
        for (int r = 0; r < grid->model()->rowCount(); ++r)
            m << grid->model()
                     ->headerData(r, Qt::Vertical, RecordIndicatorHeader::IndicatorRole)
                     .toInt();
        return m;
    };
    const int browse = int(IndicatorMark::Browse), edit = int(IndicatorMark::Edit),
              insert = int(IndicatorMark::Insert);
    ASSERT_TRUE(grid->verticalHeader()->isVisible());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(1, cNome)).center());
    EXPECT_EQ(marks(), (QList<int>{0, browse, 0}));
    goTo(2, cNome);
    type(QStringLiteral("x"));
    EXPECT_EQ(marks(), (QList<int>{0, 0, edit}));
    key(Qt::Key_Escape);
    key(Qt::Key_Down);
    EXPECT_EQ(ds->state(), DataSetState::Insert);
    EXPECT_EQ(marks(), (QList<int>{0, 0, 0, insert}));

    // The mark is painted, not only answered: the header of the current row holds ink.
    key(Qt::Key_Escape);
    ds->moveTo(0);
    const QImage header = grid->verticalHeader()->grab().toImage();
    const int y = grid->rowViewportPosition(0) + grid->rowHeight(0) / 2;
    int dark = 0;
    for (int x = 0; x < header.width(); ++x)
        dark += qGray(header.pixel(x, y)) < 100;
    EXPECT_GT(dark, 0);
}
