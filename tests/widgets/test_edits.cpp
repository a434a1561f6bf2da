#include "host/services/scriptedui.h"
#include "host/widgets/busyanimation.h"
#include "host/widgets/dateeditplus.h"
#include "host/widgets/dbtext.h"
#include "host/widgets/dialogrunner.h"
#include "host/widgets/guiuserinterface.h"
#include "host/widgets/hostwindows.h"
#include "host/widgets/maskedit.h"
#include "host/widgets/numberedit.h"
#include "host/widgets/waitcursor.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace vnd;
using namespace vnd::widgets;

namespace
{
// A shown window holding one control, focused.
template <class W> struct Hosted {
    QWidget window;
    W *w = new W;
    QLineEdit *next = new QLineEdit;
    Hosted()
    {
        auto *l = new QVBoxLayout(&window);
        l->addWidget(w);
        l->addWidget(next);
        window.show();
        (void)QTest::qWaitForWindowExposed(&window);
        window.activateWindow();
        (void)QTest::qWaitForWindowActive(&window);
        w->setFocus();
    }
};
} // namespace

TEST(NumberEdit, DecimalCommaNoGroupingAndRefusedCharacters)
{
    Hosted<TNumberEdit> h;
    EXPECT_TRUE(h.w->isEmpty());
    EXPECT_EQ(h.w->GetNumber(), 0.0);
    QTest::keyClicks(h.w, QStringLiteral("12a-.5"));
    EXPECT_EQ(h.w->text(), QStringLiteral("12,5"));
    EXPECT_DOUBLE_EQ(h.w->GetNumber(), 12.5);
    h.next->setFocus();
    EXPECT_EQ(h.w->text(), QStringLiteral("12,50"));
    h.w->setNumber(1234567.456);
    EXPECT_EQ(h.w->text(), QStringLiteral("1234567,46"));
    h.w->setNumber(-0.001);
    EXPECT_EQ(h.w->text(), QStringLiteral("0,00"));
    h.w->setDecimals(0);
    h.w->clear();
    h.w->setFocus();
    QTest::keyClicks(h.w, QStringLiteral("7,5"));
    EXPECT_EQ(h.w->text(), QStringLiteral("75"));
}

TEST(MaskEdit, HostMaskDecidesWhatTheTextKeeps)
{
    Hosted<TMaskEdit> h;
    h.w->setEditMask(QStringLiteral("!99:99;1; "));
    EXPECT_EQ(h.w->EditText(), QStringLiteral("  :  "));
    QTest::keyClicks(h.w, QStringLiteral("0930"));
    EXPECT_EQ(h.w->Text(), QStringLiteral("09:30"));
    h.w->setEditMask(QStringLiteral("99:99;0; "));
    EXPECT_EQ(h.w->Text(), QStringLiteral("0930"));
    h.w->setStoredText(QStringLiteral("2359"));
    EXPECT_EQ(h.w->EditText(), QStringLiteral("23:59"));
}

TEST(DateEditPlus, ValidDatesEmptyAndRefusedText)
{
    ScriptedUi ui;
    Hosted<TDateEditPlus> h;
    EXPECT_TRUE(h.w->isEmpty());
    EXPECT_FALSE(h.w->GetDate().isValid());
    EXPECT_NO_THROW(h.w->CheckValidDate());
    h.w->setCursorPosition(0);
    QTest::keyClicks(h.w, QStringLiteral("14012024"));
    EXPECT_EQ(h.w->GetDate(), QDate(2024, 1, 14));
    EXPECT_EQ(h.w->toolTip(), QStringLiteral("Domingo, 14/01/2024"));
    h.w->setText(QStringLiteral("31/02/2024"));
    h.next->setFocus();
    EXPECT_THROW(h.w->CheckValidDate(), SilentAbort);
    EXPECT_EQ(ui.lastError(), QStringLiteral("'31/02/2024' não é uma data válida."));
    EXPECT_TRUE(h.w->hasFocus());
    h.w->showCalendar();
    ASSERT_NE(h.w->calendar(), nullptr);
    QTest::keyClick(h.w->calendar()->focusWidget() ? h.w->calendar()->focusWidget()
                                                   : h.w->calendar(),
                    Qt::Key_Return);
    EXPECT_EQ(h.w->GetDate(), QDate::currentDate());
}

TEST(DBText, FollowsTheCurrentRecord)
{
    data::ClientDataSet ds;
    data::DataPacket p;
    p.fields = {{QStringLiteral("NOME"), data::FieldType::String, 20}};
    p.rows = {{QStringLiteral("Tabela A")}, {QStringLiteral("Tabela B")}};
    ds.loadPacket(p);
    data::DataSource src;
    TDBText label;
    label.setDataSource(&src);
    src.setDataSet(&ds); // pointed at its dataset after binding, as windows do
    label.setDataField(QStringLiteral("NOME"));
    EXPECT_EQ(label.text(), QStringLiteral("Tabela A"));
    ds.next();
    EXPECT_EQ(label.text(), QStringLiteral("Tabela B"));
    ds.edit();
    ds.fieldByName(u"NOME").setAsString(QStringLiteral("Nova"));
    EXPECT_EQ(label.text(), QStringLiteral("Nova"));
}

TEST(GuiUserInterface, PortugueseButtonsAnsweredByClicks)
{
    installGuiUserInterface();
    struct Case {
        int buttons;
        const char *click; // caption without '&'; nullptr: close the box
        int expected;
    } cases[] = {{mbYesNo, "Sim", mrYes},
                 {mbYesNo, "Não", mrNo},
                 {mbYesNo, nullptr, mrNo},
                 {mbOKCancel, "Cancelar", mrCancel},
                 {mbOK, "OK", mrOk}};
    for (const Case &c : cases) {
        QStringList captions;
        ScopedDialogResponder r([&](QDialog &d) {
            for (QPushButton *b : d.findChildren<QPushButton *>()) {
                captions << b->text().remove(u'&');
                if (c.click && b->text().remove(u'&') == QString::fromUtf8(c.click))
                    QTest::mouseClick(b, Qt::LeftButton);
            }
        });
        EXPECT_EQ(ShowMsg(QStringLiteral("Confirma?"), mtConfirmation, c.buttons), c.expected)
            << c.click;
        if (c.buttons == mbYesNo) {
            EXPECT_TRUE(captions.contains(QStringLiteral("Sim")) &&
                        captions.contains(QStringLiteral("Não")));
        }
    }
    setUserInterface(nullptr);
}

TEST(BusyAnimation, KindsTextOverlayAndNestedGuards)
{
    QWidget main;
    main.resize(400, 300);
    main.show();
    setMainWindow(&main);
    EXPECT_FALSE(busyAnimationActive());
    {
        BusyAnimation outer(0);
        EXPECT_EQ(busyAnimationKind(), 0);
        QWidget *overlay = nullptr;
        for (QWidget *w : main.findChildren<QWidget *>())
            if (w->isVisible())
                overlay = w;
        ASSERT_NE(overlay, nullptr);
        EXPECT_EQ(overlay->geometry(), main.rect());
        try {
            BusyAnimation inner(6,
                                QStringLiteral("Cadastrando preços diferenciados no servidor..."));
            EXPECT_EQ(busyAnimationText(),
                      QStringLiteral("Cadastrando preços diferenciados no servidor..."));
            throw Error(QStringLiteral("falha"));
        } catch (const Error &) {
        }
        EXPECT_EQ(busyAnimationKind(), 0);
        EXPECT_TRUE(overlay->isVisible());
    }
    EXPECT_FALSE(busyAnimationActive());
    ActiveShowAvi(nullptr, 1);
    ActiveShowAvi(nullptr, 6);
    EXPECT_EQ(busyAnimationKind(), 6);
    DeactiveShowAvi();
    EXPECT_FALSE(busyAnimationActive());
    setMainWindow(nullptr);
}

TEST(HourglassCursor, GuardAndUnguardedPair)
{
    EXPECT_FALSE(hourglassActive());
    {
        HourglassCursor c;
        EXPECT_TRUE(hourglassActive());
    }
    EXPECT_FALSE(hourglassActive());
    SetHourglassCursor();
    SetHourglassCursor();
    EXPECT_TRUE(hourglassActive());
    RestoreCursor();
    EXPECT_FALSE(hourglassActive());
}
