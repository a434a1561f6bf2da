// The day/hour grid of the form page: key columns locked by state, modality toggles, coded
// texts through the grid.

#include "host/widgets/dbgrid.h"
#include "pricetable/tabgeralstate.h"
#include "windowfixture.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QTest>

namespace vnd::pricetable::test
{

using data::DataSetState;

class DayHourGridFixture : public WindowFixture
{
public:
    void SetUp() override
    {
        WindowFixture::SetUp();
        if (HasFatalFailure())
            return;
        auto &v = *win().cdsVigenciaTab;
        for (v.first(); !v.eof(); v.next())
            if (text(v, "Situacao") == "Ativa")
                break;
        showPage(win().tshFormulario);
        auto &items = *win().cdsItemPreco;
        for (items.first(); !items.eof(); items.next())
            if (win().cdsPrecoHora->recordCount() > 0)
                break;
        ASSERT_GT(win().cdsPrecoHora->recordCount(), 0);
        grid()->setFocus();
        QApplication::processEvents();
    }
    widgets::TDBGrid *grid() { return win().dbgPrecoHora; }
    widgets::TColumn &column(const char *field)
    {
        return grid()->column(widgets::IndiceCol(grid(), QString::fromLatin1(field)));
    }
    QString flag(const char *field) { return text(*win().cdsPrecoHora, field); }
};

TEST_F(DayHourGridFixture, KeyColumnsLockedAfterLoadAndOpenOnInsert)
{
    for (const char *f : {"NRDIASEMANPR", "HRINIPRECDIA", "HRFINPRECDIA", "CDTIPOCONSPD"})
        EXPECT_TRUE(column(f).readOnly) << f;
    ASSERT_TRUE(boPrecoHoraFocado);
    win().sbtIncluir->trigger();
    ASSERT_EQ(win().cdsPrecoHora->state(), DataSetState::Insert) << ui().lastError().toStdString();
    for (const char *f : {"NRDIASEMANPR", "HRINIPRECDIA", "HRFINPRECDIA", "CDTIPOCONSPD"})
        EXPECT_FALSE(column(f).readOnly) << f;
    EXPECT_EQ(column("CDTIPOCONSPD").buttonStyle, widgets::ColumnButtonStyle::Ellipsis);
    ui().queueAnswer(mrYes);
    win().sbtCancelar->trigger();
    EXPECT_TRUE(column("NRDIASEMANPR").readOnly);
}

TEST_F(DayHourGridFixture, SpaceAndClickToggleAModalityAndStartAnEdit)
{
    const QString before = flag("IDTPMODGERAL");
    grid()->setSelectedIndex(widgets::IndiceCol(grid(), "IDTPMODGERAL"));
    QTest::keyClick(grid(), Qt::Key_Space);
    QApplication::processEvents();
    EXPECT_EQ(win().cdsPrecoHora->state(), DataSetState::Edit) << ui().lastError().toStdString();
    EXPECT_NE(flag("IDTPMODGERAL"), before);

    const QModelIndex cell =
        grid()->model()->index(win().cdsPrecoHora->recNo(), grid()->currentIndex().column());
    const QRect r = grid()->visualRect(cell);
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, r.center());
    QApplication::processEvents();
    EXPECT_EQ(flag("IDTPMODGERAL"), before);
}

TEST_F(DayHourGridFixture, ValorFixoChosenInTheGridStoresV)
{
    win().sbtAlterar->trigger();
    ASSERT_EQ(win().cdsPrecoHora->state(), DataSetState::Edit);
    const int col = widgets::IndiceCol(grid(), "IDPERVALORPR");
    EXPECT_EQ(column("IDPERVALORPR").pickList,
              (QStringList{QStringLiteral("Percentual"), QStringLiteral("Valor fixo")}));
    const QModelIndex cell = grid()->model()->index(win().cdsPrecoHora->recNo(), col);
    ASSERT_TRUE(grid()->model()->setData(cell, QStringLiteral("Valor fixo"), Qt::EditRole));
    EXPECT_EQ(flag("IDPERVALORPR"), "V");
    EXPECT_EQ(grid()->model()->data(cell, Qt::DisplayRole).toString(), "Valor fixo");
}

} // namespace vnd::pricetable::test
