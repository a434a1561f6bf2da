#pragma once
// A product selection of the tool windows as SQL: all products, a list of CDPRODUTO codes,
// or a range of CDARVPROD texts compared as plain strings, inclusive.

#include "server/database.h"

#include <QStringList>
#include <QVariantList>

#include <functional>
#include <vector>

namespace vnd::server
{

struct Selection {
    enum class Kind { All, List, Range };
    Kind kind = Kind::All;
    QStringList products; // List: distinct codes, in order
    QString start, end;   // Range
};

// Both ends required and in order; otherwise 422 with the window's texts.
Selection rangeSelection(const QString &start, const QString &end);
// Blank codes dropped, duplicates once; no code at all is refused with 422.
Selection listSelection(const QStringList &products);

struct Condition {
    QString sql;
    QVariantList values;
};

// "productColumn is a selected product": one condition for all products or a range, one per
// chunk of a list (a list may hold more codes than a statement takes values).
std::vector<Condition> selectionConditions(const Selection &selection, const QString &productColumn,
                                           Dialect dialect);

class SqlStatement;

// Runs the statement (its %1 the condition on CDPRODUTO) once per condition of the selection,
// with the values before, the condition's and the values after bound in that order; each run
// is handed to `ran`.
void forEachSelected(const QSqlDatabase &db, Dialect dialect, const Selection &selection,
                     const QString &sql, const QVariantList &before, const QVariantList &after,
                     const std::function<void(SqlStatement &)> &ran);

} // namespace vnd::server
