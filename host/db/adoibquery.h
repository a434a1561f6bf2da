#pragma once
// The host's direct query component: read-only SQL with named parameters (":NAME") on the
// host's database connection. Its rows land in a client dataset, so lookup dialogs can
// show them and code reads them field by field.

#include "host/data/clientdataset.h"

#include <QMap>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

namespace vnd::db
{

class TADOIBQuery : public QObject
{
    Q_OBJECT
public:
    explicit TADOIBQuery(QObject *parent = nullptr);

    QStringList SQL; // the statement, one entry a line
    // Titles of the result's columns (by field name), kept across opens: lookups show
    // these, not the database's column names.
    QMap<QString, QString> DisplayLabels;

    // Parameter names are matched case-insensitively, without the colon.
    void setParam(const QString &name, const QVariant &value);
    QVariant param(const QString &name) const;
    void clearParams();

    // Runs the statement. Only SELECT/WITH statements run; anything else, a missing
    // parameter or a database error throws vnd::Error with a Portuguese message.
    void Open();
    void Close();
    bool Active() const;
    bool IsEmpty() const;
    data::Field &FieldByName(const QString &name) const;
    data::ClientDataSet &dataSet() { return m_rows; }

    // The statement with each ":NAME" outside quotes replaced by "?" and comments left out,
    // and the names in order.
    struct Prepared {
        QString sql;
        QStringList names;
    };
    static Prepared prepare(const QString &sql);
    static bool isReadOnlyStatement(const QString &sql);

private:
    QVariantMap m_params; // keys upper-cased
    data::ClientDataSet m_rows;
};

} // namespace vnd::db
