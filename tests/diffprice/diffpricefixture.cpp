#include "diffpricefixture.h"

#include "host/net/netconnection.h"
#include "host/widgets/busyanimation.h"
#include "host/widgets/dateeditplus.h"
#include "host/widgets/formlifecycle.h"
#include "host/widgets/numberedit.h"
#include "pricetable/itemprice.h"
#include "pricetable/tabgeralstate.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTest>

namespace vnd::diffprice::test
{

void DiffPriceFixture::SetUp()
{
    FormFixture::SetUp();
    if (HasFatalFailure())
        return;
    openForm();
    if (HasFatalFailure())
        return;
    pricetable::frmTabGeral = &win();
    QObject::connect(win().netTabGeral, &net::TNetConnection::methodCalled, &win(),
                     [this](const QString &method, const data::ValueArray &args) {
                         if (method != QLatin1String("SetPrecDif"))
                             return;
                         m_sent = args;
                         m_busyKind = widgets::busyAnimationKind();
                         m_busyText = widgets::busyAnimationText();
                     });
    m_form = widgets::CreateForm<TfrmCadAutPrecoDeferenciado>();
    ASSERT_TRUE(m_form);
    m_form->show();
    m_form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_form));
    clearCalls();
}

void DiffPriceFixture::TearDown()
{
    if (m_form) {
        m_form->close();
        QApplication::processEvents();
        delete m_form.data();
    }
    pricetable::frmTabGeral = nullptr;
    FormFixture::TearDown();
}

QDate DiffPriceFixture::periodStart() const
{
    return pricetable::currentPeriodOf(*pricetable::frmTabGeral->cdsVigenciaTab).dtIniVgPrec;
}

QDate DiffPriceFixture::periodEnd() const
{
    return pricetable::currentPeriodOf(*pricetable::frmTabGeral->cdsVigenciaTab).dtFinVgPrec;
}

void DiffPriceFixture::confirm()
{
    m_form->sbtConfirma->click();
    QApplication::processEvents();
}

void DiffPriceFixture::fillValidRule()
{
    click(form().chbDomingo);
    type(form().numValPer, QStringLiteral("1,00"));
    type(form().depValidadeDe, periodStart().toString(QStringLiteral("ddMMyyyy")));
    type(form().depValidadeAte, periodEnd().toString(QStringLiteral("ddMMyyyy")));
}

} // namespace vnd::diffprice::test
