#pragma once
// A tool window over the price table window, both against a real server on a loopback port
// over a temporary demo database: Base opens the price table window, openTool() the tool over
// it, and TearDown closes both.

#include "host/widgets/formlifecycle.h"
#include "pricetable/tabgeralstate.h"

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace vnd::pricetable::test
{

template <class Form, class Base> class ToolFixture : public Base
{
public:
    void TearDown() override
    {
        if (m_form) {
            m_form->close();
            QApplication::processEvents();
            delete m_form.data();
        }
        frmTabGeral = nullptr;
        Base::TearDown();
    }

    Form &form() { return *m_form; }
    bool formOpen() const { return m_form && m_form->isVisible(); }

    // The confirm button acts without taking the focus, as the host's toolbar buttons do.
    void confirm()
    {
        m_form->sbtConfirma->click();
        QApplication::processEvents();
    }

protected:
    // The tool, created over the price table window, shown and active; beforeShow sees it
    // first (what its showing calls can then be recorded).
    void openTool(const std::function<void(Form &)> &beforeShow = {})
    {
        frmTabGeral = &this->win();
        m_form = widgets::CreateForm<Form>();
        ASSERT_TRUE(m_form);
        if (beforeShow)
            beforeShow(*m_form);
        m_form->show();
        m_form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_form));
    }

private:
    QPointer<Form> m_form;
};

} // namespace vnd::pricetable::test
