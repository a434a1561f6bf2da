#include "formfixture.h"

#include "host/db/hostdatabase.h"
#include "host/net/netconnection.h"
#include "host/services/hostconfig.h"
#include "host/widgets/dbsortgrid.h"
#include "host/widgets/formlifecycle.h"

#include <QApplication>
#include <QTabWidget>
#include <QTest>

namespace vnd::pricetable::test
{

void FormFixture::SetUp()
{
    WindowFixture::SetUp();
    if (HasFatalFailure())
        return;
    // Cell editors and focus need a real, active window.
    win().resize(1100, 640);
    QWidget *top = win().window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(top));
    top->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(top));
    ASSERT_TRUE(ui().errors().isEmpty()) << ui().errors().join(u'\n').toStdString();
}

void FormFixture::openForm(const QString &table)
{
    TfrmTabGeral &w = win();
    ASSERT_TRUE(w.cdsTabGeral->locate({QStringLiteral("CDTABEPREC")}, {table}));
    data::ClientDataSet &periods = *w.cdsVigenciaTab;
    bool found = false;
    for (periods.first(); !periods.eof(); periods.next()) {
        const QDate start = periods.fieldByName(u"DTINIVGPREC").asDate();
        const QDate end = periods.fieldByName(u"DTFINVGPREC").asDate();
        if (start <= today() && today() <= end) {
            found = true;
            break;
        }
    }
    ASSERT_TRUE(found) << "no current period in table " << table.toStdString();
    w.pgcPadrao->setCurrentWidget(w.tshFormulario);
    QApplication::processEvents();
    ASSERT_EQ(w.pgcPadrao->currentWidget(), w.tshFormulario);
    ASSERT_TRUE(items().isActive());
    ASSERT_TRUE(ui().errors().isEmpty()) << ui().errors().join(u'\n').toStdString();
}

void FormFixture::openAt(const QString &item)
{
    openForm();
    if (HasFatalFailure())
        return;
    ASSERT_TRUE(goToItem(item)) << item.toStdString();
}

bool FormFixture::goToItem(const QString &name)
{
    return goToItemWhere(
        [&name](const data::ClientDataSet &ds) { return str(ds, "NMPRODUTO") == name; });
}

bool FormFixture::goToItemWhere(const std::function<bool(const data::ClientDataSet &)> &test)
{
    data::ClientDataSet &ds = items();
    int found = -1;
    for (int row = 0; row < ds.recordCount() && found < 0; ++row) {
        data::ClientDataSet::RowScope scope(ds, row);
        if (test(ds))
            found = row;
    }
    if (found < 0)
        return false;
    // A grid click or arrow key moves the dataset the same way.
    widgets::TDBGrid *grid = win().dbsItemPreco;
    const int column = grid->currentIndex().isValid() ? grid->currentIndex().column() : 1;
    grid->setCurrentIndex(grid->model()->index(found, column));
    QApplication::processEvents();
    return ds.recNo() == found;
}

void FormFixture::focusCell(widgets::TDBGrid *grid, const char *field)
{
    grid->setFocus();
    QApplication::processEvents();
    grid->setSelectedIndex(widgets::IndiceCol(grid, QString::fromLatin1(field)));
    QApplication::processEvents();
}

void FormFixture::typeInto(widgets::TDBGrid *grid, const char *field, const QString &text)
{
    focusCell(grid, field);
    QTest::keyClicks(grid, text.left(1));
    QApplication::processEvents();
    QWidget *editor = QApplication::focusWidget() ? QApplication::focusWidget() : grid;
    QTest::keyClicks(editor, text.mid(1));
    QApplication::processEvents();
}

void FormFixture::press(int key, Qt::KeyboardModifiers modifiers)
{
    QWidget *w = QApplication::focusWidget();
    if (w)
        QTest::keyClick(w, Qt::Key(key), modifiers);
    QApplication::processEvents();
}

void FormFixture::clickCell(widgets::TDBGrid *grid, const char *field)
{
    const int column = widgets::IndiceCol(grid, QString::fromLatin1(field));
    const QModelIndex index = grid->model()->index(std::max(grid->dataSet()->recNo(), 0), column);
    const QPoint centre = grid->visualRect(index).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
    QApplication::processEvents();
}

QString FormFixture::selectedField(const widgets::TDBGrid *grid) const
{
    const data::Field *f = grid->SelectedField();
    return f ? f->fieldName() : QString();
}

QString FormFixture::str(const data::ClientDataSet &ds, const char *field)
{
    return ds.fieldByName(QString::fromLatin1(field)).asString();
}

double FormFixture::num(const data::ClientDataSet &ds, const char *field)
{
    return ds.fieldByName(QString::fromLatin1(field)).asFloat();
}

bool FormFixture::isNull(const data::ClientDataSet &ds, const char *field)
{
    return ds.fieldByName(QString::fromLatin1(field)).isNull();
}

} // namespace vnd::pricetable::test
