// The form page's "Histórico" through the real window: opened from the keyboard, it shows the
// before and after of a save made here, and the item as it stood before it.

#include "formfixture.h"

#include "host/widgets/dbsortgrid.h"
#include "host/widgets/dialogrunner.h"
#include "tools/audit/frmauditoria.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFile>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

namespace vnd::pricetable::test
{
namespace
{

class History : public OpenFormFixture
{
protected:
    static QStringList rowOf(const QTableWidget &t, int r)
    {
        QStringList out;
        for (int c = 0; c < t.columnCount(); ++c)
            out << (t.item(r, c) ? t.item(r, c)->text() : QString());
        return out;
    }
};

TEST_F(History, CtrlHShowsTheSaveJustMadeAndThePriceAsItStoodBefore)
{
    ASSERT_TRUE(goToItemWhere([](const data::ClientDataSet &ds) {
        return !isNull(ds, "VRPRECITEM") && num(ds, "VRPRECITEM") != 12.34;
    }));
    const QString product = str(items(), "CDPRODUTO");
    // The history shows prices as the grid does: two decimals, decimal comma.
    const QString before = QString::number(num(items(), "VRPRECITEM"), 'f', 2).replace(u'.', u',');
    ASSERT_FALSE(before.isEmpty());
    const QDateTime beforeSave = QDateTime::currentDateTime();
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    typeInto(win().dbsItemPreco, "VRPRECITEM", QStringLiteral("12,34"));
    press(Qt::Key_Return);
    press(Qt::Key_F10);
    QApplication::processEvents();
    ASSERT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
    ASSERT_EQ(str(items(), "CDPRODUTO"), product);

    QStringList newest, asItStood, fields;
    widgets::ScopedDialogResponder answer([&](QDialog &d) {
        EXPECT_EQ(d.objectName(), QStringLiteral("frmHistorico"));
        auto *changes = d.findChild<QTableWidget *>(QStringLiteral("grdHistorico"));
        auto *moment = d.findChild<QDateTimeEdit *>(QStringLiteral("edtMomento"));
        auto *then = d.findChild<QTableWidget *>(QStringLiteral("grdComoEstava"));
        ASSERT_TRUE(changes && moment && then);
        ASSERT_GT(changes->rowCount(), 0);
        newest = rowOf(*changes, 0);
        // The moment typed as a user types it, then Enter.
        // Entered by Tab, the field selects its first section; each filled section moves on.
        d.show();
        d.activateWindow();
        QApplication::processEvents();
        moment->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(moment, beforeSave.toString(QStringLiteral("ddMMyyyyHHmmss")));
        EXPECT_EQ(moment->dateTime().toString(QStringLiteral("ddMMyyyyHHmmss")),
                  beforeSave.toString(QStringLiteral("ddMMyyyyHHmmss")));
        QTest::keyClick(moment, Qt::Key_Return);
        QApplication::processEvents();
        for (int r = 0; r < then->rowCount(); ++r) {
            fields << rowOf(*then, r).value(1);
            if (rowOf(*then, r).value(1) == items().fieldByName(u"VRPRECITEM").label())
                asItStood = rowOf(*then, r);
        }
        d.reject();
    });
    win().dbsItemPreco->setFocus();
    QTest::keyClick(win().dbsItemPreco, Qt::Key_H, Qt::ControlModifier);
    QApplication::processEvents();
    ASSERT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();

    // Quando, Usuário, Operação, Registro, Campo, Antes, Depois, Origem.
    ASSERT_EQ(newest.size(), 8);
    EXPECT_EQ(newest[1], QStringLiteral("gerente"));
    EXPECT_EQ(newest[2], QStringLiteral("Alteração"));
    EXPECT_EQ(newest[4], items().fieldByName(u"VRPRECITEM").label());
    EXPECT_EQ(newest[5], before);
    EXPECT_EQ(newest[6], QStringLiteral("12,34"));
    EXPECT_TRUE(newest[7].startsWith(QStringLiteral("SetItemPreco"))) << newest[7].toStdString();
    ASSERT_EQ(asItStood.size(), 3);
    EXPECT_EQ(asItStood[2], before);
    // Every field as the grids title it, the sales hours included.
    EXPECT_TRUE(fields.contains(QStringLiteral("Hora Inicial"))) << fields.join(u',').toStdString();
    EXPECT_FALSE(fields.contains(QStringLiteral("HRINIVENPROD")));
}

TEST_F(History, AuditoriaListsPageByPageAndExportsEveryLine)
{
    ASSERT_TRUE(
        goToItemWhere([](const data::ClientDataSet &ds) { return !isNull(ds, "VRPRECITEM"); }));
    for (const char *price : {"1,11", "2,22", "3,33"}) {
        typeInto(win().dbsItemPreco, "VRPRECITEM", QString::fromLatin1(price));
        press(Qt::Key_Return);
        press(Qt::Key_F10);
        QApplication::processEvents();
        ASSERT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
    }
    audit::TfrmAuditoria w;
    w.pageSize = 2;
    w.show();
    auto *method = w.findChild<QComboBox *>(QStringLiteral("cbxMetodo"));
    ASSERT_TRUE(method);
    method->setFocus();
    QTest::keyClicks(method, QStringLiteral("SetItemPreco"));
    QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("btnPesquisar")), Qt::LeftButton);
    ASSERT_TRUE(ui().errors().isEmpty()) << ui().lastError().toStdString();
    EXPECT_EQ(w.lines()->rowCount(), 2);
    ASSERT_TRUE(w.moreButton()->isEnabled());
    QTest::mouseClick(w.moreButton(), Qt::LeftButton);
    EXPECT_EQ(w.lines()->rowCount(), 3); // one line per save: one row each
    EXPECT_FALSE(w.moreButton()->isEnabled());
    EXPECT_EQ(rowOf(*w.lines(), 0).value(3), QStringLiteral("SetItemPreco"));
    EXPECT_TRUE(rowOf(*w.lines(), 0).value(8).contains(QStringLiteral("3.33")));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("auditoria.csv"));
    EXPECT_EQ(w.exportaCsv(path), 3);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(bytes.count("\r\n"), 4);
}

} // namespace
} // namespace vnd::pricetable::test
