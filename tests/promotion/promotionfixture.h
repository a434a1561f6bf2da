#pragma once
// The promotion window over the price table window, whose current period is the current one
// of table 001, both against a real server on a loopback port over a temporary demo database.
// Messages and questions go through the scripted responder; the server methods called through
// the price table window's connection are recorded.

#include "printers.h"
#include "toolfixture.h"
#include "tools/promotion/frmcadautpromocao.h"
#include "tools/selection/productselection.h"
#include "windowfixture.h"

#include <QAbstractButton>
#include <QPointer>

namespace vnd::promotion::test
{

class PromotionFixture
    : public pricetable::test::ToolFixture<TfrmCadAutPromocao, pricetable::test::WindowFixture>
{
public:
    void SetUp() override;

    QDate start() const { return m_start; }

    void type(QLineEdit *field, const QString &text);
    // A tree code typed digit by digit into a range field, then left with Tab.
    void typeCode(QLineEdit *field, const QString &digits);
    void click(QAbstractButton *button);
    // Marks the named products in the list picker and confirms it.
    void pick(const QStringList &names);

    // Of table 001 in the current period: the promotion flag of a product's own row, its name.
    QString flag(const QString &product) const;
    QString name(const QString &product) const;
    // Own rows of the period with the flag.
    int flagged(const char *flag) const;
    void setFlag(const QString &product, const char *flag) const;
    QString tree(const QString &product) const;
    // The first n products of the period, by tree code: their codes and names.
    QList<std::pair<QString, QString>> priced(int n) const;

private:
    QDate m_start;
};

} // namespace vnd::promotion::test
