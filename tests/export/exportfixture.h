#pragma once
// The export window over the price table window, both against a real server on a loopback
// port over a temporary demo database. Messages and questions go through the scripted
// responder; the server methods each window calls are recorded.

#include "host/widgets/tedit.h"
#include "printers.h"
#include "tools/export/frmimportatabela.h"
#include "windowfixture.h"

#include <QAbstractButton>
#include <QPointer>

namespace vnd::exporttable::test
{

class ExportFixture : public pricetable::test::WindowFixture
{
public:
    void SetUp() override;
    void TearDown() override;

    TfrmImportaTabela &form() { return *m_form; }
    bool formOpen() const { return m_form && m_form->isVisible(); }
    // Server methods the export window called through its own connection.
    const QStringList &ownCalls() const { return m_ownCalls; }

    void confirm();

private:
    QPointer<TfrmImportaTabela> m_form;
    QStringList m_ownCalls;
};

} // namespace vnd::exporttable::test
