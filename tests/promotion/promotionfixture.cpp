#include "promotionfixture.h"

#include "host/widgets/dialogrunner.h"
#include "host/widgets/formlifecycle.h"
#include "host/widgets/pesquisalista.h"
#include "pricetable/tabgeralstate.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace vnd::promotion::test
{

void PromotionFixture::SetUp()
{
    ToolFixture::SetUp();
    if (HasFatalFailure())
        return;
    data::ClientDataSet &periods = *win().cdsVigenciaTab;
    for (periods.first(); !periods.eof(); periods.next()) {
        m_start = periods.fieldByName(u"DTINIVGPREC").asDate();
        if (m_start <= today() && today() <= periods.fieldByName(u"DTFINVGPREC").asDate())
            break;
    }
    ASSERT_FALSE(periods.eof());
    openTool();
    if (HasFatalFailure())
        return;
    clearCalls();
}

void PromotionFixture::type(QLineEdit *field, const QString &text)
{
    field->setFocus();
    QApplication::processEvents();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
}

void PromotionFixture::typeCode(QLineEdit *field, const QString &digits)
{
    field->setFocus();
    QApplication::processEvents();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    field->setCursorPosition(0);
    QTest::keyClicks(field, digits);
    QTest::keyClick(field, Qt::Key_Tab);
    QApplication::processEvents();
}

void PromotionFixture::click(QAbstractButton *button)
{
    // On the mark: a check box stretched by its layout takes no click past its text.
    const QPoint mark(qMin(8, button->width() / 2), button->height() / 2);
    QTest::mouseClick(button, Qt::LeftButton, {}, mark);
    QApplication::processEvents();
}

void PromotionFixture::pick(const QStringList &names)
{
    widgets::ScopedDialogResponder r([&names](QDialog &d) {
        auto &dlg = dynamic_cast<widgets::PesquisaListaDialog &>(d);
        EXPECT_EQ(dlg.windowTitle(), "Produto");
        dlg.searchField()->setCurrentIndex(dlg.searchField()->findText(QStringLiteral("Nome")));
        for (const QString &name : names) {
            dlg.searchEdit()->clear();
            QTest::keyClicks(dlg.searchEdit(), name);
            QTest::keyClick(dlg.searchEdit(), Qt::Key_Return);
        }
        for (QPushButton *b : d.findChildren<QPushButton *>())
            if (b->text().remove(u'&') == QStringLiteral("Confirmar"))
                QTest::mouseClick(b, Qt::LeftButton);
    });
    click(form().grbProd->btnListaProd);
    // As a window manager does when the picker closes.
    form().activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&form()));
}

QString PromotionFixture::flag(const QString &product) const
{
    return scalar(QStringLiteral("SELECT IDPRODPROMOC FROM ITEMPRECO WHERE CDTABEPREC = '001' "
                                 "AND DTINIVGPREC = ? AND CDPRODUTO = ? AND CDPRPAITABPR = ?"),
                  {m_start.toString(Qt::ISODate), product, product})
        .toString();
}

QString PromotionFixture::tree(const QString &product) const
{
    return scalar(QStringLiteral("SELECT CDARVPROD FROM PRODUTO WHERE CDPRODUTO = ?"), {product})
        .toString();
}

QString PromotionFixture::name(const QString &product) const
{
    return scalar(QStringLiteral("SELECT NMPRODUTO FROM PRODUTO WHERE CDPRODUTO = ?"), {product})
        .toString();
}

int PromotionFixture::flagged(const char *flag) const
{
    return scalar(QStringLiteral("SELECT COUNT(*) FROM ITEMPRECO WHERE CDTABEPREC = '001' AND "
                                 "DTINIVGPREC = ? AND CDPRODUTO = CDPRPAITABPR AND "
                                 "IDPRODPROMOC = ?"),
                  {m_start.toString(Qt::ISODate), QString::fromLatin1(flag)})
        .toInt();
}

void PromotionFixture::setFlag(const QString &product, const char *flag) const
{
    scalar(QStringLiteral("UPDATE ITEMPRECO SET IDPRODPROMOC = ? WHERE CDTABEPREC = '001' AND "
                          "DTINIVGPREC = ? AND CDPRODUTO = ? AND CDPRPAITABPR = ?"),
           {QString::fromLatin1(flag), m_start.toString(Qt::ISODate), product, product});
}

QList<std::pair<QString, QString>> PromotionFixture::priced(int n) const
{
    QList<std::pair<QString, QString>> out;
    for (int i = 0; i < n; ++i) {
        const QString code =
            scalar(QStringLiteral(
                       "SELECT P.CDPRODUTO FROM ITEMPRECO I JOIN PRODUTO P ON P.CDPRODUTO = "
                       "I.CDPRODUTO WHERE I.CDTABEPREC = '001' AND I.DTINIVGPREC = ? AND "
                       "I.CDPRPAITABPR = I.CDPRODUTO ORDER BY P.CDARVPROD LIMIT 1 OFFSET ?"),
                   {m_start.toString(Qt::ISODate), i})
                .toString();
        out.append({code, name(code)});
    }
    return out;
}

} // namespace vnd::promotion::test
