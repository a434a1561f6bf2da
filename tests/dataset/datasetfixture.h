#pragma once
// Small price-table datasets for the client dataset tests.

#include "host/data/clientdataset.h"

#include <QStringList>

#include <memory>
#include <ostream>

QT_BEGIN_NAMESPACE
// Readable test failures.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace vnd::data::test
{

// CDTABEPREC (string 3), NMTABEPREC (string 20), VRPRECO (float), DTINI (date)
inline DataPacket tablePacket(const QStringList &codes)
{
    DataPacket p;
    p.fields = {{"CDTABEPREC", FieldType::String, 3},
                {"NMTABEPREC", FieldType::String, 20},
                {"VRPRECO", FieldType::Float, 0},
                {"DTINI", FieldType::Date, 0}};
    int n = 0;
    for (const QString &c : codes) {
        ++n;
        p.rows.push_back(Row{c, QStringLiteral("Tabela %1").arg(c), double(n), QDate(2024, 1, n)});
    }
    return p;
}

inline std::unique_ptr<ClientDataSet> tableDataSet(const QStringList &codes)
{
    auto ds = std::make_unique<ClientDataSet>();
    ds->loadPacket(tablePacket(codes));
    return ds;
}

// The codes of the visible rows, in order.
inline QStringList codes(const ClientDataSet &ds, const char *field = "CDTABEPREC")
{
    QStringList out;
    const int f = ds.fieldByName(QString::fromLatin1(field)).index();
    for (int r = 0; r < ds.recordCount(); ++r)
        out << ds.valueAt(r, f).toString();
    return out;
}

inline QString current(const ClientDataSet &ds, const char *field = "CDTABEPREC")
{
    return ds.fieldByName(QString::fromLatin1(field)).asString();
}

} // namespace vnd::data::test
