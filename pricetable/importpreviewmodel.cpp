#include "pricetable/importpreviewmodel.h"

#include <QBrush>
#include <QFont>

namespace vnd::pricetable
{

namespace
{

const int kFixedColumns = 3; // line, product, name

} // namespace

ImportPreviewModel::ImportPreviewModel(const ImportCheck &check, QStringList names,
                                       const MessageTable &messages, QObject *parent)
    : QAbstractTableModel(parent), m_check(check), m_names(std::move(names)), m_messages(messages)
{
}

int ImportPreviewModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_check.rows.size());
}

int ImportPreviewModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kFixedColumns + int(m_check.fields.size()) + 1;
}

QString ImportPreviewModel::situation(int r) const
{
    const ImportRow &row = m_check.rows[size_t(r)];
    if (m_elsewhere.contains(row.cdProduto))
        return QStringLiteral("Alterado por outro usuário depois da pré-visualização.");
    switch (row.status) {
    case ImportStatus::Changed:
        return QStringLiteral("Alterado");
    case ImportStatus::Unchanged:
        return QStringLiteral("Sem alteração");
    case ImportStatus::Refused:
        break;
    }
    return row.message;
}

QVariant ImportPreviewModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const ImportRow &row = m_check.rows[size_t(index.row())];
    const int c = index.column();
    const int last = columnCount() - 1;
    const bool refused = row.status == ImportStatus::Refused || m_elsewhere.contains(row.cdProduto);
    if (role == Qt::ForegroundRole && refused)
        return QBrush(QColor(255, 0, 0));
    if (role == Qt::TextAlignmentRole)
        return c == 0 || (c >= kFixedColumns && c < last)
                   ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                   : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    if (role == Qt::FontRole && c >= kFixedColumns && c < last) {
        const QString &field = m_check.fields[c - kFixedColumns];
        if (importValueText(row.before, field, m_messages) !=
            importValueText(row.after, field, m_messages)) {
            QFont f;
            f.setBold(true);
            return f;
        }
        return {};
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    if (c == 0)
        return row.line;
    if (c == 1)
        return row.product;
    if (c == 2)
        return m_names.value(index.row());
    if (c == last)
        return situation(index.row());
    const QString &field = m_check.fields[c - kFixedColumns];
    const QString before = importValueText(row.before, field, m_messages);
    const QString after = importValueText(row.after, field, m_messages);
    if (row.itemRow < 0)
        return after;
    if (before == after)
        return before;
    return QStringLiteral("%1 → %2").arg(before.isEmpty() ? QStringLiteral("(vazio)") : before,
                                         after.isEmpty() ? QStringLiteral("(vazio)") : after);
}

QVariant ImportPreviewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section == 0)
        return QStringLiteral("Linha");
    if (section == 1)
        return QStringLiteral("Produto");
    if (section == 2)
        return QStringLiteral("Nome");
    if (section == columnCount() - 1)
        return QStringLiteral("Situação");
    return m_check.titles.value(section - kFixedColumns);
}

void ImportPreviewModel::markChangedElsewhere(const QSet<QString> &products)
{
    beginResetModel();
    m_elsewhere = products;
    endResetModel();
}

} // namespace vnd::pricetable
