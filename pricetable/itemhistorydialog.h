#pragma once
// The history of one item price: one line per field a change touched, newest first (when,
// who, through what, which field, before -> after, the values that changed highlighted), and
// the item's prices and day/hour rules as they stood at a chosen moment.

#include "contracts/rdmtabgeral.h"

#include <QDialog>

#include <functional>

class QDateTimeEdit;
class QTableWidget;

namespace vnd::pricetable
{

struct HistoryItem {
    QString table;
    QDate periodStart;
    QString product, parent;
    QString caption; // the product as the window names it
};

class ItemHistoryDialog : public QDialog
{
public:
    // fieldCaption names a column as the grids title it; valueText shows a stored value as
    // the grids show that column's values.
    using ValueText = std::function<QString(const QString &field, const QVariant &stored)>;
    ItemHistoryDialog(contracts::RdmTabGeral &server, HistoryItem item,
                      std::function<QString(const QString &)> fieldCaption, ValueText valueText,
                      QWidget *parent = nullptr);

    QTableWidget *changes() const { return m_changes; }
    QDateTimeEdit *moment() const { return m_moment; }
    QTableWidget *asItStood() const { return m_asItStood; }

    // Reads the item as it stood at the moment's value into asItStood.
    void showAsItStood();

private:
    void loadChanges();

    contracts::RdmTabGeral &m_server;
    HistoryItem m_item;
    std::function<QString(const QString &)> m_caption;
    ValueText m_text;
    QTableWidget *m_changes;
    QDateTimeEdit *m_moment;
    QTableWidget *m_asItStood;
};

} // namespace vnd::pricetable
