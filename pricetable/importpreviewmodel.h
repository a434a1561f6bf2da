#pragma once
// The rows of an import check as a table: line, product, name, each imported field as
// current → new, and what happens to the row. Cells are made when shown, so 100,000 rows
// cost nothing up front.

#include "pricetable/priceimport.h"

#include <QAbstractTableModel>
#include <QSet>

namespace vnd::pricetable
{

class ImportPreviewModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    ImportPreviewModel(const ImportCheck &check, QStringList names, const MessageTable &messages,
                       QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Rows another user changed since the preview (by CDPRODUTO): shown as such.
    void markChangedElsewhere(const QSet<QString> &products);
    // The text of the last column for a row.
    QString situation(int row) const;

private:
    const ImportCheck &m_check;
    QStringList m_names; // product names, by row
    const MessageTable &m_messages;
    QSet<QString> m_elsewhere;
};

} // namespace vnd::pricetable
