#pragma once
// The price table window against a real server on a loopback port over a temporary demo
// database; messages and questions go through a scripted responder.

#include "host/services/scriptedui.h"
#include "pricetable/frmtabgeral.h"
#include "serverfixture.h"

#include <QPointer>
#include <QStringList>

class QAbstractButton;
class QLineEdit;

#include <memory>

namespace vnd::pricetable::test
{

class WindowFixture : public server::test::ServerFixture
{
public:
    void SetUp() override;
    void TearDown() override;

    TfrmTabGeral &win() { return *m_window; }
    ScriptedUi &ui() { return *m_ui; }
    // Server methods the window called since the last clearCalls().
    const QStringList &calls() const { return m_calls; }
    void clearCalls() { m_calls.clear(); }

    // Positions a dataset on the row whose field holds the value.
    static bool locate(data::ClientDataSet &ds, const char *field, const QVariant &value);
    static QString text(data::ClientDataSet &ds, const char *field);
    void showPage(QWidget *page);
    // Types into the current cell of a grid, as a user would.
    static void typeInto(widgets::TDBGrid *grid, const char *field, const QString &text);
    // Enter in the focused control: commits a cell and moves to the next column.
    static void pressEnter();
    // Replaces a field's text by typing, as a user would (a masked field from its start).
    static void type(QLineEdit *field, const QString &text);
    // Tab out of the focused control.
    static void tab();
    static void click(QAbstractButton *button);

private:
    std::unique_ptr<ScriptedUi> m_ui;
    QPointer<TfrmTabGeral> m_window;
    QStringList m_calls;
};

} // namespace vnd::pricetable::test
