#include "windowfixture.h"

#include "host/db/hostdatabase.h"
#include "host/net/netconnection.h"
#include "host/services/hostconfig.h"
#include "host/widgets/dbgrid.h"
#include "host/widgets/formlifecycle.h"
#include "pricetable/tabgeralstate.h"
#include "tests/net/clientsignin.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

namespace vnd::pricetable::test
{

void WindowFixture::SetUp()
{
    ServerFixture::SetUp();
    if (HasFatalFailure())
        return;
    hostConfig().webUrl = QStringLiteral("127.0.0.1");
    hostConfig().webPort = port();
    db::openHostDatabase(databaseUrl());
    net::test::signInClient(*this);
    if (HasFatalFailure())
        return;
    m_ui = std::make_unique<ScriptedUi>();
    m_window = widgets::CreateForm<TfrmTabGeral>();
    ASSERT_TRUE(m_window);
    QObject::connect(m_window->netTabGeral, &net::TNetConnection::methodCalled, m_window,
                     [this](const QString &m) { m_calls << m; });
    m_window->Show();
    QApplication::processEvents();
}

void WindowFixture::TearDown()
{
    if (m_window) {
        m_window->Close();
        QApplication::processEvents();
        delete m_window.data();
    }
    m_ui.reset();
    net::test::signOutClient();
    db::closeHostDatabase();
    ServerFixture::TearDown();
}

bool WindowFixture::locate(data::ClientDataSet &ds, const char *field, const QVariant &value)
{
    return ds.locate({QString::fromLatin1(field)}, {value});
}

QString WindowFixture::text(data::ClientDataSet &ds, const char *field)
{
    return ds.fieldByName(QString::fromLatin1(field)).asString();
}

void WindowFixture::showPage(QWidget *page)
{
    m_window->pgcPadrao->setCurrentWidget(page);
    QApplication::processEvents();
}

void WindowFixture::typeInto(widgets::TDBGrid *grid, const char *field, const QString &text)
{
    grid->setFocus();
    grid->setSelectedIndex(widgets::IndiceCol(grid, QString::fromLatin1(field)));
    // The first key opens the cell editor; the rest go to it.
    QTest::keyClicks(grid, text.left(1));
    QApplication::processEvents();
    QWidget *editor = QApplication::focusWidget() ? QApplication::focusWidget() : grid;
    QTest::keyClicks(editor, text.mid(1));
    QApplication::processEvents();
}

void WindowFixture::pressEnter()
{
    QWidget *w = QApplication::focusWidget();
    if (w)
        QTest::keyClick(w, Qt::Key_Return);
    QApplication::processEvents();
}

void WindowFixture::type(QLineEdit *field, const QString &text)
{
    field->setFocus();
    QApplication::processEvents();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    field->setCursorPosition(0);
    QTest::keyClicks(field, text);
}

void WindowFixture::tab()
{
    if (QWidget *w = QApplication::focusWidget())
        QTest::keyClick(w, Qt::Key_Tab);
    QApplication::processEvents();
}

void WindowFixture::click(QAbstractButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton);
    QApplication::processEvents();
}

} // namespace vnd::pricetable::test
