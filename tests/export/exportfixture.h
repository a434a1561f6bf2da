#pragma once
// The export window over the price table window, both against a real server on a loopback
// port over a temporary demo database. Messages and questions go through the scripted
// responder; the server methods each window calls are recorded.

#include "host/widgets/tedit.h"
#include "printers.h"
#include "toolfixture.h"
#include "tools/export/frmimportatabela.h"
#include "windowfixture.h"

#include <QAbstractButton>
#include <QPointer>

namespace vnd::exporttable::test
{

class ExportFixture
    : public pricetable::test::ToolFixture<TfrmImportaTabela, pricetable::test::WindowFixture>
{
public:
    void SetUp() override;

    // Server methods the export window called through its own connection.
    const QStringList &ownCalls() const { return m_ownCalls; }

private:
    QStringList m_ownCalls;
};

} // namespace vnd::exporttable::test
