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
    ToolFixture::SetUp();
    if (HasFatalFailure())
        return;
    openTool([this](TfrmImportaTabela &form) {
        QObject::connect(form.netImportaTabela, &net::TNetConnection::methodCalled, &form,
                         [this](const QString &m) { m_ownCalls << m; });
    });
}

} // namespace vnd::exporttable::test
