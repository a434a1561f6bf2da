#pragma once
// Exact comparison for codec tests: same kinds, same QVariant types, doubles bit for bit
// (so -0.0 differs from 0.0), date-times to the second with the same offset.

#include "wire/value.h"

#include <QString>

#include <bit>
#include <cstdint>

namespace vnd::data::test
{

inline QString describe(const QVariant &v)
{
    return QStringLiteral("%1(%2)").arg(QString::fromLatin1(v.typeName()), v.toString());
}

inline bool sameCell(const QVariant &a, const QVariant &b, QString &why)
{
    if (a.isNull() != b.isNull() || a.typeId() != b.typeId()) {
        why = describe(a) + " vs " + describe(b);
        return false;
    }
    if (a.isNull())
        return true;
    bool same = false;
    if (a.typeId() == QMetaType::Double)
        same = std::bit_cast<std::uint64_t>(a.toDouble()) ==
               std::bit_cast<std::uint64_t>(b.toDouble());
    else if (a.typeId() == QMetaType::QDateTime)
        same = a.toDateTime() == b.toDateTime() &&
               a.toDateTime().offsetFromUtc() == b.toDateTime().offsetFromUtc();
    else
        same = a == b;
    if (!same)
        why = describe(a) + " vs " + describe(b);
    return same;
}

inline bool sameRows(const std::vector<Row> &a, const std::vector<Row> &b, QString &why)
{
    if (a.size() != b.size()) {
        why = QStringLiteral("row count %1 vs %2").arg(a.size()).arg(b.size());
        return false;
    }
    for (size_t r = 0; r < a.size(); ++r) {
        if (a[r].size() != b[r].size()) {
            why = QStringLiteral("row %1 width").arg(r);
            return false;
        }
        for (qsizetype c = 0; c < a[r].size(); ++c) {
            if (!sameCell(a[r][c], b[r][c], why)) {
                why = QStringLiteral("row %1 col %2: ").arg(r).arg(c) + why;
                return false;
            }
        }
    }
    return true;
}

inline bool sameValue(const Value &a, const Value &b, QString &why)
{
    if (a.kind() != b.kind()) {
        why = QStringLiteral("kind %1 vs %2").arg(int(a.kind())).arg(int(b.kind()));
        return false;
    }
    switch (a.kind()) {
    case Value::Kind::Packet:
        if (a.packet().fields != b.packet().fields) {
            why = QStringLiteral("fields differ");
            return false;
        }
        return sameRows(a.packet().rows, b.packet().rows, why);
    case Value::Kind::Delta: {
        const ChangeSet &x = a.delta();
        const ChangeSet &y = b.delta();
        if (x.fields != y.fields || x.changes.size() != y.changes.size()) {
            why = QStringLiteral("delta shape differs");
            return false;
        }
        for (size_t i = 0; i < x.changes.size(); ++i) {
            if (x.changes[i].op != y.changes[i].op ||
                !sameRows({x.changes[i].oldRow}, {y.changes[i].oldRow}, why) ||
                !sameRows({x.changes[i].newRow}, {y.changes[i].newRow}, why))
                return false;
        }
        return true;
    }
    case Value::Kind::Array:
        if (a.array().size() != b.array().size()) {
            why = QStringLiteral("array size");
            return false;
        }
        for (size_t i = 0; i < a.array().size(); ++i) {
            if (!sameValue(a.array()[i], b.array()[i], why))
                return false;
        }
        return true;
    default:
        return sameCell(a.toVariant(), b.toVariant(), why);
    }
}

} // namespace vnd::data::test
