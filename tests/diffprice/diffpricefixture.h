#pragma once
// The differentiated-price window over the price table window on the current period of table
// 001, both against a real server on a loopback port over a temporary demo database. The
// arguments of SetPrecDif are recorded as they were sent, with the busy animation shown then.

#include "formfixture.h"
#include "toolfixture.h"
#include "tools/diffprice/frmcadautprecodeferenciado.h"

#include <QAbstractButton>
#include <QPointer>

namespace vnd::diffprice::test
{

class DiffPriceFixture : public pricetable::test::ToolFixture<TfrmCadAutPrecoDeferenciado,
                                                              pricetable::test::FormFixture>
{
public:
    void SetUp() override;

    // The last SetPrecDif arguments sent; empty when none was.
    const data::ValueArray &sent() const { return m_sent; }
    int busyKindAtCall() const { return m_busyKind; }
    QString busyTextAtCall() const { return m_busyText; }
    QDate periodStart() const;
    QDate periodEnd() const;

    // The inputs every confirmation needs: Domingo, a value of 1,00, the period as validity.
    void fillValidRule();

private:
    data::ValueArray m_sent;
    int m_busyKind = -1;
    QString m_busyText;
};

} // namespace vnd::diffprice::test
