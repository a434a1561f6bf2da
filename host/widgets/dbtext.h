#pragma once
// TDBText: a label showing one field of a data source's current record.

#include "host/data/clientdataset.h"

#include <QLabel>
#include <QPointer>

namespace vnd::widgets
{

class TDBText : public QLabel
{
    Q_OBJECT
public:
    explicit TDBText(QWidget *parent = nullptr);
    void setDataSource(data::DataSource *source);
    data::DataSource *dataSource() const { return m_source; }
    void setDataField(const QString &fieldName);
    QString dataField() const { return m_fieldName; }
    void refresh();

private:
    void rebind();

    QPointer<data::DataSource> m_source;
    QString m_fieldName;
    QPointer<data::ClientDataSet> m_boundDataSet;
    QList<QMetaObject::Connection> m_connections;
};

} // namespace vnd::widgets
