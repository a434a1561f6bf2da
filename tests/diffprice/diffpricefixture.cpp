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
    ToolFixture::SetUp();
    if (HasFatalFailure())
        return;
    openForm();
    if (HasFatalFailure())
        return;
    QObject::connect(win().netTabGeral, &net::TNetConnection::methodCalled, &win(),
                     [this](const QString &method, const data::ValueArray &args) {
                         if (method != QLatin1String("SetPrecDif"))
                             return;
                         m_sent = args;
                         m_busyKind = widgets::busyAnimationKind();
                         m_busyText = widgets::busyAnimationText();
                     });
    openTool();
    if (HasFatalFailure())
        return;
    clearCalls();
}

QDate DiffPriceFixture::periodStart() const
{
    return pricetable::currentPeriodOf(*pricetable::frmTabGeral->cdsVigenciaTab).dtIniVgPrec;
}

QDate DiffPriceFixture::periodEnd() const
{
    return pricetable::currentPeriodOf(*pricetable::frmTabGeral->cdsVigenciaTab).dtFinVgPrec;
}

void DiffPriceFixture::fillValidRule()
{
    click(form().chbDomingo);
    type(form().numValPer, QStringLiteral("1,00"));
    type(form().depValidadeDe, periodStart().toString(QStringLiteral("ddMMyyyy")));
    type(form().depValidadeAte, periodEnd().toString(QStringLiteral("ddMMyyyy")));
}

} // namespace vnd::diffprice::test
