#pragma once
// TDBGrid: the host's data-aware grid, a QTableView over a client dataset.
//
// Behaviour: the current row follows the dataset cursor both ways (moving to another row
// posts a pending edit; a refused post keeps the row). Typing into an editable cell puts the
// dataset into edit and opens the cell editor with the typed character; Enter on the last
// column posts, elsewhere moves to the next column; Esc closes the editor and cancels the
// record; Down on the last row appends when the grid may append and the dataset allows
// (its beforeInsert may refuse); Ctrl+Del deletes the record, asking first with
// dgConfirmDelete. Tab and Shift+Tab move through the row's columns (with dgTabs) and leave
// the grid past its ends, never wrapping into another record; F4 (or Ctrl+Enter) opens the
// current column's lookup. Every handler runs inside the host's handler guard.
//
// Handlers (all optional), under the host's event names:
//   onDrawColumnCell(rect, columnIndex, column, state): paints one data cell through
//       Canvas(); the fields read the painted row. With defaultDrawing the default cell is
//       painted first.
//   onColEnter / onColExit: another column became / is about to stop being current. A
//       failing onColExit keeps the column (and the row).
//   onKeyDown(key, modifiers): key is a Qt::Key; set it to 0 to swallow it.
//   onKeyPress(ch): a typed character, in the grid or its cell editor; set it to a null QChar
//       to swallow it or change it (e.g. to upper case).
//   onCellClick(column), onTitleClick(column), onEditButtonClick() (ellipsis or Ctrl+Enter),
//   onEnter / onExit: the focus came into / left the grid and its editor.

#include "host/data/clientdataset.h"
#include "host/widgets/dbgridcolumn.h"
#include "host/widgets/gridcanvas.h"

#include <QPointer>
#include <QTableView>

#include <deque>
#include <functional>

namespace vnd::widgets
{

class DBGridModel;
namespace Internal
{
class DBGridDelegate;
}

enum GridOption {
    dgEditing = 0x1,
    dgTitles = 0x2,
    dgIndicator = 0x4,
    dgColumnResize = 0x8,
    dgColLines = 0x10,
    dgRowLines = 0x20,
    dgTabs = 0x40,
    dgRowSelect = 0x80,
    dgAlwaysShowSelection = 0x100,
    dgConfirmDelete = 0x200,
    dgCancelOnExit = 0x400,
};

struct GridDrawState {
    bool selected = false; // the current cell (the current row with dgRowSelect)
    bool focused = false;  // ... and the grid itself has the focus
};

class TDBGrid : public QTableView
{
    Q_OBJECT
public:
    explicit TDBGrid(QWidget *parent = nullptr);
    ~TDBGrid() override;

    void setDataSource(data::DataSource *source);
    data::DataSource *dataSource() const { return m_source; }
    data::ClientDataSet *dataSet() const;

    // Columns; with none, one column per visible field is made when the dataset opens.
    std::deque<TColumn> &Columns() { return m_columns; }
    TColumn &addColumn(const QString &fieldName, const QString &title = {}, int width = -1);
    TColumn &column(int index) { return m_columns.at(index); }
    // After changing the column list or a column's visibility, title or width.
    void columnsChanged();

    int options() const { return m_options; }
    void setOptions(int options);
    bool hasOption(GridOption option) const { return m_options & option; }
    void addOption(GridOption option) { setOptions(m_options | option); }
    void removeOption(GridOption option) { setOptions(m_options & ~option); }

    bool defaultDrawing = true;
    bool allowAppend = true; // Down on the last row may append
    bool readOnly() const { return m_readOnly; }
    void setReadOnly(bool on);
    void setColor(const QColor &background); // cell background (system colours: sysColor)
    QColor color() const { return m_background; }
    void setTitleFont(const QFont &font);

    // The canvas of the cell being painted; valid inside onDrawColumnCell only.
    TCanvas &Canvas() { return *m_canvas; }

    // Current column: index into Columns(), and its field.
    int SelectedIndex() const;
    void setSelectedIndex(int columnIndex);
    data::Field *SelectedField() const;
    bool EditorMode() const { return state() == EditingState; }
    // Opens the cell editor on the current cell (as F2 does).
    void ShowEditor();

    std::function<void(const QRect &, int, TColumn &, GridDrawState)> onDrawColumnCell;
    std::function<void()> onColEnter;
    std::function<void()> onColExit;
    std::function<void(int &key, Qt::KeyboardModifiers)> onKeyDown;
    std::function<void(QChar &ch)> onKeyPress;
    std::function<void(TColumn &)> onCellClick;
    std::function<void(TColumn &)> onTitleClick;
    std::function<void()> onEditButtonClick;
    std::function<void()> onEnter;
    std::function<void()> onExit;

    DBGridModel *gridModel() const { return m_model; }

protected:
    // A cell whose text is cut shows the whole of it as its tooltip.
    bool viewportEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    virtual void titleClicked(int columnIndex);

private:
    friend class Internal::DBGridDelegate;

    void bindDataSet();
    void syncFromDataSet();
    void applyColumnWidths();
    void makeDefaultColumns();
    void setCurrentQuietly(const QModelIndex &index);
    bool ensureEditState();
    // Writes an open cell editor's text into its field (before a post); throws the silent
    // abort when the field refuses it.
    void commitOpenEditor();
    bool isCurrentEditable() const;
    void moveColumn(int delta);
    // Tab and Shift+Tab: the next or previous column of the row, else out of the grid.
    void tabColumn(int delta);
    // F4: the current column's lookup (its ellipsis button) or pick list.
    void openCellLookup(QKeyEvent *event);
    void onFocusChanged(QWidget *old, QWidget *now);
    bool inside(const QWidget *w) const;
    // Key handling shared by the grid and its cell editor; true when consumed.
    bool handleEditorKey(QWidget *editor, QKeyEvent *event);
    void fireEditButton();
    void paintCell(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index);

    QPointer<data::DataSource> m_source;
    QPointer<data::ClientDataSet> m_boundDataSet;
    QList<QMetaObject::Connection> m_dsConnections;
    QMetaObject::Connection m_sourceConnection;
    DBGridModel *m_model;
    Internal::DBGridDelegate *m_delegate;
    std::deque<TColumn> m_columns;
    bool m_defaultColumns = false;
    int m_options;
    bool m_readOnly = false;
    QColor m_background;
    TCanvas *m_canvas = nullptr;
    bool m_syncing = false;
    bool m_applyingWidths = false;
    bool m_rewritingKey = false;
    bool m_touchedSinceInsert = false;
    bool m_commitFailed = false;
    QList<QPointer<data::ClientDataSet>> m_flushesFor;
    bool m_buttonPressed = false;
    int m_leavingColumn = -1; // visible column reported while onColExit runs
};

// Index into the grid's Columns() of the column showing the field; -1 when none.
int IndiceCol(const TDBGrid *grid, const QString &fieldName);

} // namespace vnd::widgets
