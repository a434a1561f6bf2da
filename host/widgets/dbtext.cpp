#include "host/widgets/dbtext.h"

namespace vnd::widgets
{

TDBText::TDBText(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

void TDBText::setDataSource(data::DataSource *source)
{
    m_source = source;
    rebind();
}

void TDBText::setDataField(const QString &fieldName)
{
    m_fieldName = fieldName;
    refresh();
}

void TDBText::rebind()
{
    for (const auto &c : m_connections)
        disconnect(c);
    m_connections.clear();
    if (m_source) {
        m_connections << connect(m_source, &data::DataSource::dataChanged, this, &TDBText::refresh)
                      << connect(m_source, &data::DataSource::stateChanged, this, [this] {
                             // The source may now point at another dataset.
                             if (m_source->dataSet() != m_boundDataSet)
                                 rebind();
                             else
                                 refresh();
                         });
        m_boundDataSet = m_source->dataSet();
        if (data::ClientDataSet *ds = m_source->dataSet())
            m_connections << connect(ds, &data::ClientDataSet::currentChanged, this,
                                     &TDBText::refresh)
                          << connect(ds, &data::ClientDataSet::reset, this, &TDBText::refresh);
    }
    refresh();
}

void TDBText::refresh()
{
    data::ClientDataSet *ds = m_source ? m_source->dataSet() : nullptr;
    data::Field *f = ds && ds->isActive() && !ds->isEmpty() ? ds->findField(m_fieldName) : nullptr;
    setText(f ? f->displayText() : QString());
}

} // namespace vnd::widgets
