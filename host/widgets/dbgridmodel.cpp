#include "host/widgets/dbgridmodel.h"

#include "host/services/ui.h"
#include "host/widgets/recordindicator.h"

#include <utility>

namespace vnd::widgets
{

using data::ClientDataSet;
using data::DataSetState;
using data::FieldType;

DBGridModel::DBGridModel(QObject *parent) : QAbstractTableModel(parent) {}

void DBGridModel::setDataSet(ClientDataSet *dataSet)
{
    beginResetModel();
    for (const auto &c : m_connections)
        disconnect(c);
    m_connections.clear();
    m_dataSet = dataSet;
    if (dataSet) {
        m_connections
            << connect(dataSet, &ClientDataSet::reset, this, &DBGridModel::onReset)
            << connect(dataSet, &ClientDataSet::rowsInserted, this, &DBGridModel::onRowsInserted)
            << connect(dataSet, &ClientDataSet::rowsRemoved, this, &DBGridModel::onRowsRemoved)
            << connect(dataSet, &ClientDataSet::rowChanged, this, &DBGridModel::onRowChanged)
            << connect(dataSet, &ClientDataSet::fieldChanged, this, &DBGridModel::onFieldChanged)
            << connect(dataSet, &ClientDataSet::stateChanged, this,
                       [this] {
                           onRowChanged(m_dataSet->recNo());
                           markCurrentRow();
                       })
            << connect(dataSet, &ClientDataSet::currentChanged, this, [this] { markCurrentRow(); });
    }
    rebind();
    endResetModel();
}

void DBGridModel::setColumns(std::deque<TColumn> *columns)
{
    beginResetModel();
    m_columns = columns;
    rebind();
    endResetModel();
}

void DBGridModel::columnsChanged()
{
    beginResetModel();
    rebind();
    endResetModel();
}

void DBGridModel::rebind()
{
    m_visible.clear();
    m_rows = m_dataSet && m_dataSet->isActive() ? m_dataSet->recordCount() : 0;
    if (!m_columns)
        return;
    for (int i = 0; i < int(m_columns->size()); ++i) {
        TColumn &c = (*m_columns)[i];
        c.field = m_dataSet ? m_dataSet->findField(c.fieldName) : nullptr;
        if (c.visible)
            m_visible.append(i);
    }
}

int DBGridModel::columnIndexOf(int visibleColumn) const
{
    return m_visible.value(visibleColumn, -1);
}

int DBGridModel::visibleColumnOf(int columnIndex) const
{
    return int(m_visible.indexOf(columnIndex));
}

int DBGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int DBGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_visible.size());
}

namespace
{
bool isNumeric(const data::Field *f)
{
    return f && (f->dataType() == FieldType::Integer || f->dataType() == FieldType::Float);
}
} // namespace

QVariant DBGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !m_dataSet || index.row() >= m_rows ||
        index.row() >= m_dataSet->recordCount())
        return {};
    const int ci = columnIndexOf(index.column());
    if (ci < 0)
        return {};
    const TColumn &c = (*m_columns)[ci];
    switch (role) {
    case Qt::DisplayRole:
        return c.field ? m_dataSet->textAt(index.row(), c.field->index(), true) : QString();
    case Qt::EditRole:
        return c.field ? m_dataSet->textAt(index.row(), c.field->index(), false) : QString();
    case Qt::TextAlignmentRole:
        if (c.alignment)
            return QVariant::fromValue(c.alignment | Qt::AlignVCenter);
        return QVariant::fromValue((isNumeric(c.field) ? Qt::AlignRight : Qt::AlignLeft) |
                                   Qt::AlignVCenter);
    default:
        return {};
    }
}

void DBGridModel::markCurrentRow()
{
    const int now = m_dataSet ? m_dataSet->recNo() : -1;
    const int before = std::exchange(m_markedRow, now);
    for (int row : {before, now})
        if (row >= 0 && row < m_rows)
            emit headerDataChanged(Qt::Vertical, row, row);
}

QVariant DBGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical) {
        if (role == RecordIndicatorHeader::IndicatorRole && m_dataSet)
            return int(indicatorMark(m_dataSet->state(), section, m_dataSet->recNo()));
        if (role == Qt::DisplayRole)
            return QString(); // the indicator, not row numbers
    }
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    const int ci = columnIndexOf(section);
    return ci < 0 ? QVariant() : QVariant((*m_columns)[ci].caption());
}

bool DBGridModel::isEditable(const QModelIndex &index) const
{
    const int ci = columnIndexOf(index.column());
    if (!editingAllowed || ci < 0 || !m_dataSet || !m_dataSet->isActive())
        return false;
    const TColumn &c = (*m_columns)[ci];
    return c.field && !c.readOnly && !c.field->readOnly && !c.field->isCalculated();
}

Qt::ItemFlags DBGridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (isEditable(index))
        f |= Qt::ItemIsEditable;
    return f;
}

bool DBGridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !isEditable(index))
        return false;
    data::Field *field = (*m_columns)[columnIndexOf(index.column())].field;
    return guarded([&] {
        ClientDataSet &ds = *m_dataSet;
        if (ds.recNo() != index.row())
            ds.moveTo(index.row());
        const QString text = value.toString();
        if (ds.state() == DataSetState::Browse) {
            if (text == field->text())
                return; // nothing typed: stay in browse
            ds.edit();
        }
        field->setText(text);
    });
}

void DBGridModel::onReset()
{
    beginResetModel();
    rebind();
    endResetModel();
    m_markedRow = m_dataSet ? m_dataSet->recNo() : -1;
}

// The dataset reports changes after making them, so during a "rows about to change" window
// the rows would already read as changed. Appending is the one case where nothing before the
// change reads differently; anything else is announced as a reset.
void DBGridModel::onRowsInserted(int first, int last)
{
    if (first != m_rows) {
        onReset();
        return;
    }
    beginInsertRows({}, first, last);
    m_rows += last - first + 1;
    endInsertRows();
}

void DBGridModel::onRowsRemoved(int, int)
{
    onReset();
}

void DBGridModel::onRowChanged(int row)
{
    if (row >= 0 && row < m_rows && !m_visible.isEmpty())
        emit dataChanged(index(row, 0), index(row, int(m_visible.size()) - 1));
}

void DBGridModel::onFieldChanged(int)
{
    onRowChanged(m_dataSet ? m_dataSet->recNo() : -1);
}

} // namespace vnd::widgets
