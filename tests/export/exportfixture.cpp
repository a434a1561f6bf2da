#include "exportfixture.h"

#include "host/net/netconnection.h"
#include "host/widgets/formlifecycle.h"
#include "pricetable/tabgeralstate.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace vnd::exporttable::test
{

void ExportFixture::SetUp()
{
    WindowFixture::SetUp();
    if (HasFatalFailure())
        return;
    pricetable::frmTabGeral = &win();
    m_form = widgets::CreateForm<TfrmImportaTabela>();
    ASSERT_TRUE(m_form);
    QObject::connect(m_form->netImportaTabela, &net::TNetConnection::methodCalled, m_form,
                     [this](const QString &m) { m_ownCalls << m; });
    m_form->show();
    m_form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_form));
}

void ExportFixture::TearDown()
{
    if (m_form) {
        m_form->close();
        QApplication::processEvents();
        delete m_form.data();
    }
    pricetable::frmTabGeral = nullptr;
    WindowFixture::TearDown();
}

void ExportFixture::confirm()
{
    // The confirm button acts without taking the focus, as the host's toolbar buttons do.
    m_form->sbtConfirma->click();
    QApplication::processEvents();
}

} // namespace vnd::exporttable::test
