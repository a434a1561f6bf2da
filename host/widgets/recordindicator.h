#pragma once
// The record indicator of a data grid: the row header marks the current record, with a
// different mark for browse (a triangle), edit (an I-beam) and insert (an asterisk). Cells
// drawn by the windows' own rules may hide the selection, so this is what tells the user
// which record Procurar found or Excluir will remove.

#include "host/data/clientdataset.h"

#include <QHeaderView>

namespace vnd::widgets
{

enum class IndicatorMark { None, Browse, Edit, Insert };

// Which mark a row shows: only the current record of an open dataset has one.
IndicatorMark indicatorMark(data::DataSetState state, int row, int currentRow);

class RecordIndicatorHeader final : public QHeaderView
{
    Q_OBJECT
public:
    explicit RecordIndicatorHeader(QWidget *parent = nullptr);

    // The model answers headerData(row, Qt::Vertical, IndicatorRole) with an IndicatorMark.
    static constexpr int IndicatorRole = Qt::UserRole + 41;

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;
};

} // namespace vnd::widgets
