#include "host/data/clientdataset.h"

namespace vnd::data
{

DataSource::DataSource(ClientDataSet *dataSet, QObject *parent) : QObject(parent)
{
    setDataSet(dataSet);
}

void DataSource::setDataSet(ClientDataSet *dataSet)
{
    if (dataSet == m_dataSet)
        return;
    if (m_dataSet)
        QObject::disconnect(m_dataSet, nullptr, this, nullptr);
    m_dataSet = dataSet;
    if (m_dataSet) {
        const auto state = [this] {
            emit stateChanged();
            if (onStateChange)
                onStateChange(*this);
        };
        const auto field = [this](int index) {
            Field *f = index >= 0 && m_dataSet && index < m_dataSet->fieldCount()
                           ? &m_dataSet->field(index)
                           : nullptr;
            emit dataChanged(f ? index : -1);
            if (onDataChange)
                onDataChange(*this, f);
        };
        m_c1 = connect(m_dataSet, &ClientDataSet::stateChanged, this, state);
        m_c2 = connect(m_dataSet, &ClientDataSet::fieldChanged, this, field);
        m_c3 =
            connect(m_dataSet, &ClientDataSet::currentChanged, this, [field](int) { field(-1); });
        m_c4 = connect(m_dataSet, &ClientDataSet::reset, this, [field] { field(-1); });
        // The current record's values changing as a whole (post, cancel) is a record change.
        m_c5 = connect(m_dataSet, &ClientDataSet::rowChanged, this, [this, field](int row) {
            if (m_dataSet && row == m_dataSet->recNo())
                field(-1);
        });
        m_c6 = connect(m_dataSet, &QObject::destroyed, this, [this] {
            m_dataSet = nullptr;
            emit stateChanged();
            if (onStateChange)
                onStateChange(*this);
        });
    }
    emit stateChanged();
    if (onStateChange)
        onStateChange(*this);
}

DataSetState DataSource::state() const
{
    return m_dataSet ? m_dataSet->state() : DataSetState::Inactive;
}

} // namespace vnd::data
