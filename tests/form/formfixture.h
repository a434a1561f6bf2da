#pragma once
// The price table window on its form page, against a real server on a loopback port over a
// temporary demo database. Messages and questions go through a scripted responder; the
// server methods the window calls are recorded.

#include "host/services/scriptedui.h"
#include "host/widgets/dbgrid.h"
#include "pricetable/frmtabgeral.h"
#include "windowfixture.h"

#include <QPointer>
#include <QStringList>

#include <memory>
#include <ostream>

// Readable failure output for Qt texts.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '{' << l.join(QStringLiteral(", ")).toStdString() << '}';
}

namespace vnd::pricetable::test
{

class FormFixture : public WindowFixture
{
public:
    void SetUp() override;

    data::ClientDataSet &items() { return *win().cdsItemPreco; }
    data::ClientDataSet &rules() { return *win().cdsPrecoHora; }

    // Makes the period of the table that holds today current and opens the form page.
    void openForm(const QString &table = QStringLiteral("001"));
    // Moves the item grid to the product of that name; false when it is not listed.
    bool goToItem(const QString &name);
    // openForm() on table 001, then the named item's row; a fatal failure when either fails.
    void openAt(const QString &item);
    // Moves to the first item whose field passes the test; false when none does.
    bool goToItemWhere(const std::function<bool(const data::ClientDataSet &)> &test);

    // Gives the grid the focus and makes the field's column current.
    void focusCell(widgets::TDBGrid *grid, const char *field);
    // Types into a cell as a user would: the first key opens the cell editor.
    void typeInto(widgets::TDBGrid *grid, const char *field, const QString &text);
    // A key to whatever has the focus.
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Left click on the cell of the current row in the field's column.
    void clickCell(widgets::TDBGrid *grid, const char *field);

    QString selectedField(const widgets::TDBGrid *grid) const;
    static QString str(const data::ClientDataSet &ds, const char *field);
    static double num(const data::ClientDataSet &ds, const char *field);
    static bool isNull(const data::ClientDataSet &ds, const char *field);
    // A value straight from the database behind the server.
    QVariant stored(const QString &sql, const QVariantList &values = {}) const
    {
        return scalar(sql, values);
    }
};

// The same, with the form page of table 001 already open.
class OpenFormFixture : public FormFixture
{
public:
    void SetUp() override
    {
        FormFixture::SetUp();
        if (!HasFatalFailure())
            openForm();
    }
};

} // namespace vnd::pricetable::test
