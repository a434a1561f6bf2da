#include "host/widgets/dbgrid.h"

#include "host/services/ui.h"
#include "host/widgets/dbgriddelegate.h"
#include "host/widgets/dbgridmodel.h"
#include "host/widgets/recordindicator.h"
#include "host/widgets/syscolors.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>

namespace vnd::widgets
{

using data::ClientDataSet;
using data::DataSetState;

TDBGrid::TDBGrid(QWidget *parent)
    : QTableView(parent), m_model(new DBGridModel(this)),
      m_delegate(new Internal::DBGridDelegate(this)),
      m_options(dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines |
                dgTabs | dgConfirmDelete | dgCancelOnExit)
{
    setVerticalHeader(new RecordIndicatorHeader(this));
    m_model->setColumns(&m_columns);
    setModel(m_model);
    setItemDelegate(m_delegate);
    setSelectionMode(SingleSelection);
    setSelectionBehavior(SelectItems);
    setEditTriggers(DoubleClicked | EditKeyPressed | AnyKeyPressed);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    // Fixed row heights: the view never measures rows, so 100,000 rows scroll smoothly.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setMinimumSectionSize(fontMetrics().height() + 2);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setStretchLastSection(false);
    m_background = sysColor(clWindow, palette());
    setOptions(m_options);

    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        const int ci = m_model->columnIndexOf(section);
        if (ci >= 0)
            titleClicked(ci);
    });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int section, int, int size) {
                const int ci = m_model->columnIndexOf(section);
                if (!m_applyingWidths && ci >= 0)
                    m_columns[ci].width = size;
            });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        applyColumnWidths();
        syncFromDataSet();
    });
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &TDBGrid::syncFromDataSet);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &TDBGrid::syncFromDataSet);
    connect(qApp, &QApplication::focusChanged, this, &TDBGrid::onFocusChanged);
}

TDBGrid::~TDBGrid() = default;

ClientDataSet *TDBGrid::dataSet() const
{
    return m_source ? m_source->dataSet() : nullptr;
}

void TDBGrid::setDataSource(data::DataSource *source)
{
    disconnect(m_sourceConnection);
    m_source = source;
    // A data source pointed at another dataset says so through its state change.
    if (source)
        m_sourceConnection = connect(source, &data::DataSource::stateChanged, this, [this] {
            if (dataSet() != m_boundDataSet)
                bindDataSet();
        });
    bindDataSet();
}

void TDBGrid::bindDataSet()
{
    for (const auto &c : m_dsConnections)
        disconnect(c);
    m_dsConnections.clear();
    ClientDataSet *ds = dataSet();
    m_boundDataSet = ds;
    if (ds && !m_flushesFor.contains(ds)) {
        m_flushesFor << ds;
        ds->addPostFlusher(this, [this, ds] {
            if (dataSet() == ds)
                commitOpenEditor();
        });
    }
    if (ds) {
        m_dsConnections << connect(ds, &ClientDataSet::currentChanged, this,
                                   &TDBGrid::syncFromDataSet)
                        << connect(ds, &ClientDataSet::stateChanged, this,
                                   [this] {
                                       ClientDataSet *d = dataSet();
                                       if (d && d->state() == DataSetState::Insert)
                                           m_touchedSinceInsert = false;
                                       if (d && d->state() == DataSetState::Browse &&
                                           state() == EditingState)
                                           closePersistentEditor(currentIndex());
                                   })
                        << connect(ds, &ClientDataSet::focusFieldRequested, this,
                                   [this](int fieldIndex) {
                                       for (int i = 0; i < int(m_columns.size()); ++i) {
                                           if (m_columns[i].field &&
                                               m_columns[i].field->index() == fieldIndex) {
                                               setSelectedIndex(i);
                                               setFocus();
                                               return;
                                           }
                                       }
                                   })
                        << connect(ds, &ClientDataSet::reset, this, [this] {
                               if (m_defaultColumns || m_columns.empty())
                                   makeDefaultColumns();
                           });
    }
    if (m_defaultColumns || m_columns.empty())
        makeDefaultColumns();
    m_model->setDataSet(ds);
}

void TDBGrid::makeDefaultColumns()
{
    ClientDataSet *ds = dataSet();
    if (!ds || ds->fieldCount() == 0)
        return;
    m_columns.clear();
    for (int i : shownFields(*ds)) {
        TColumn c;
        c.fieldName = ds->field(i).fieldName();
        m_columns.push_back(c);
    }
    m_defaultColumns = true;
    m_model->columnsChanged();
}

TColumn &TDBGrid::addColumn(const QString &fieldName, const QString &title, int width)
{
    if (m_defaultColumns) {
        m_columns.clear();
        m_defaultColumns = false;
    }
    TColumn c;
    c.fieldName = fieldName;
    c.title = title;
    c.width = width;
    m_columns.push_back(c);
    m_model->columnsChanged();
    return m_columns.back();
}

void TDBGrid::columnsChanged()
{
    m_model->columnsChanged();
}

namespace
{
// Text as wide as the widest value a field of this kind shows; empty for long free texts,
// whose columns may be narrower than their data.
QString widestSample(const data::Field &field)
{
    switch (field.dataType()) {
    case data::FieldType::Date:
        return QStringLiteral("00/00/0000");
    case data::FieldType::DateTime:
        return QStringLiteral("00/00/0000 00:00:00");
    case data::FieldType::Integer:
        return QStringLiteral("000000");
    case data::FieldType::Float:
        return QStringLiteral("00.000,00");
    default: {
        const int chars = field.displayWidth > 0 ? field.displayWidth : field.size();
        return chars > 0 && chars <= 20 ? QString(chars, u'0') : QString();
    }
    }
}
} // namespace

void TDBGrid::applyColumnWidths()
{
    m_applyingWidths = true;
    const QFontMetrics cells = fontMetrics();
    const QFontMetrics titles = horizontalHeader()->fontMetrics();
    for (int v = 0; v < m_model->columnCount(); ++v) {
        const TColumn &c = m_columns[m_model->columnIndexOf(v)];
        int w = c.width;
        if (w < 0 && c.field && widestSample(*c.field).isEmpty()) {
            const int chars = c.field->displayWidth > 0 ? c.field->displayWidth : c.field->size();
            w = cells.horizontalAdvance(QString(std::clamp(chars > 0 ? chars : 10, 4, 40), u'n')) +
                10;
        }
        // Neither a title nor a code, date or number is ever cut, whatever width was asked.
        w = std::max(w, titles.horizontalAdvance(c.caption()) + 18);
        // A number column given a width (an icon column, say) keeps it.
        const bool number = c.field && (c.field->dataType() == data::FieldType::Integer ||
                                        c.field->dataType() == data::FieldType::Float);
        if (c.field && !(number && c.width >= 0)) {
            w = std::max(w, cells.horizontalAdvance(widestSample(*c.field)) + 12);
            // Coded fields show texts longer than their codes: measure the first rows shown
            // (a bounded sample, so a large load costs nothing more).
            if (!widestSample(*c.field).isEmpty() || !c.pickList.isEmpty()) {
                for (const QString &item : c.pickList)
                    w = std::max(w, cells.horizontalAdvance(item) + 24);
                const data::ClientDataSet *ds = dataSet();
                const int rows = ds && ds->isActive() ? std::min(ds->recordCount(), 64) : 0;
                for (int r = 0; r < rows; ++r)
                    w = std::max(w, cells.horizontalAdvance(ds->textAt(r, c.field->index(), true)) +
                                        12);
            }
        }
        setColumnWidth(v, w);
    }
    m_applyingWidths = false;
}

void TDBGrid::setOptions(int options)
{
    m_options = options;
    m_model->editingAllowed = (options & dgEditing) && !m_readOnly;
    horizontalHeader()->setVisible(options & dgTitles);
    verticalHeader()->setVisible(options & dgIndicator);
    verticalHeader()->setFixedWidth(16);
    horizontalHeader()->setSectionResizeMode((options & dgColumnResize) ? QHeaderView::Interactive
                                                                        : QHeaderView::Fixed);
    setShowGrid(options & (dgColLines | dgRowLines));
    setTabKeyNavigation(options & dgTabs);
    setSelectionBehavior((options & dgRowSelect) ? SelectRows : SelectItems);
    viewport()->update();
}

void TDBGrid::setReadOnly(bool on)
{
    m_readOnly = on;
    setOptions(m_options);
}

void TDBGrid::setColor(const QColor &background)
{
    m_background = background;
    QPalette p = palette();
    p.setColor(QPalette::Base, background);
    setPalette(p);
    viewport()->update();
}

void TDBGrid::setTitleFont(const QFont &font)
{
    horizontalHeader()->setFont(font);
}

int TDBGrid::SelectedIndex() const
{
    if (m_leavingColumn >= 0)
        return m_model->columnIndexOf(m_leavingColumn);
    return m_model->columnIndexOf(currentIndex().isValid() ? currentIndex().column() : 0);
}

void TDBGrid::setSelectedIndex(int columnIndex)
{
    const int v = m_model->visibleColumnOf(columnIndex);
    ClientDataSet *ds = dataSet();
    if (v < 0 || !ds)
        return;
    setCurrentIndex(m_model->index(std::max(ds->recNo(), 0), v));
}

data::Field *TDBGrid::SelectedField() const
{
    const int ci = SelectedIndex();
    return ci >= 0 ? m_columns[ci].field : nullptr;
}

void TDBGrid::ShowEditor()
{
    edit(currentIndex(), EditKeyPressed, nullptr);
}

void TDBGrid::setCurrentQuietly(const QModelIndex &index)
{
    m_syncing = true;
    selectionModel()->setCurrentIndex(
        index,
        QItemSelectionModel::ClearAndSelect |
            (hasOption(dgRowSelect) ? QItemSelectionModel::Rows : QItemSelectionModel::NoUpdate));
    m_syncing = false;
}

void TDBGrid::syncFromDataSet()
{
    ClientDataSet *ds = dataSet();
    if (!ds || !ds->isActive() || m_model->rowCount() == 0 || m_model->columnCount() == 0)
        return;
    const int row = ds->recNo();
    if (row < 0 || row >= m_model->rowCount())
        return;
    const int col = currentIndex().isValid() ? currentIndex().column() : 0;
    if (currentIndex().row() != row || !currentIndex().isValid()) {
        setCurrentQuietly(m_model->index(row, col));
        scrollTo(currentIndex());
    }
}

void TDBGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous); // commits an open editor first
    viewport()->update();
    if (m_syncing || !current.isValid())
        return;
    ClientDataSet *ds = dataSet();
    const bool columnChanged = previous.isValid() && current.column() != previous.column();
    if (columnChanged && onColExit) {
        // The handler sees the column being left as the selected one.
        m_leavingColumn = previous.column();
        const bool ok = guarded(onColExit);
        m_leavingColumn = -1;
        if (!ok) {
            setCurrentQuietly(previous);
            return;
        }
    }
    if (ds && ds->isActive() && current.row() != ds->recNo()) {
        if (!guarded([&] { ds->moveTo(current.row()); })) {
            const int row = ds->recNo() >= 0 ? ds->recNo() : 0;
            setCurrentQuietly(m_model->index(row, previous.isValid() ? previous.column() : 0));
            return;
        }
    }
    if ((columnChanged || !previous.isValid()) && onColEnter)
        guarded(onColEnter);
}

bool TDBGrid::isCurrentEditable() const
{
    return currentIndex().isValid() && m_model->isEditable(currentIndex());
}

void TDBGrid::commitOpenEditor()
{
    if (state() != EditingState)
        return;
    const QModelIndex index = currentIndex();
    QWidget *editor = indexWidget(index);
    if (!editor)
        return;
    m_commitFailed = false;
    m_delegate->setModelData(editor, m_model, index);
    if (m_commitFailed)
        throw SilentAbort{}; // the field said why; the edit stays for the user to mend
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

bool TDBGrid::ensureEditState()
{
    ClientDataSet *ds = dataSet();
    if (!ds || !ds->isActive())
        return false;
    if (ds->state() == DataSetState::Browse) {
        if (ds->isEmpty())
            return false; // nothing to edit; rows come through append
        if (!guarded([ds] { ds->edit(); }))
            return false;
    }
    return ds->state() == DataSetState::Edit || ds->state() == DataSetState::Insert;
}

bool TDBGrid::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    const bool opening = trigger == DoubleClicked || trigger == EditKeyPressed ||
                         trigger == AnyKeyPressed || trigger == AllEditTriggers;
    if (opening && index.isValid() && state() != EditingState) {
        if (!m_model->isEditable(index))
            return false;
        // Only typing starts an edit. F2, Enter or a double click just open the cell editor;
        // the record goes into edit when its text is changed (the model's setData), so
        // looking at a cell never runs the edit defaults.
        if (trigger == AnyKeyPressed && !ensureEditState())
            return false;
        if (trigger != AnyKeyPressed) {
            const ClientDataSet *ds = dataSet();
            if (!ds || !ds->isActive() || ds->isEmpty())
                return false;
        }
    }
    return QTableView::edit(index, trigger, event);
}

int IndiceCol(const TDBGrid *grid, const QString &fieldName)
{
    auto &cols = const_cast<TDBGrid *>(grid)->Columns();
    for (int i = 0; i < int(cols.size()); ++i)
        if (cols[i].fieldName.compare(fieldName, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

} // namespace vnd::widgets
