#pragma once
// In-memory record set with a change log: the engine behind every window of the module.
// Views (grids, data sources) observe it through its signals; rules hook into it through
// the std::function hooks below.

#include "host/services/errors.h"
#include "wire/packet.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vnd::data
{

enum class DataSetState { Inactive, Browse, Edit, Insert };

class ClientDataSet;
class Column;

class Field
{
public:
    const QString &fieldName() const { return m_name; }
    FieldType dataType() const { return m_type; }
    int size() const { return m_size; }
    int index() const { return m_index; }
    bool isCalculated() const { return m_calculated; }
    ClientDataSet *dataSet() const { return m_dataSet; }

    // Presentation properties, read by grids and edits.
    QString displayLabel; // defaults to the field name
    // What messages call the field: its label, or its name when the label was cleared.
    QString label() const { return displayLabel.isEmpty() ? m_name : displayLabel; }
    bool visible = true;
    bool readOnly = false;
    QString editMask;      // host mask syntax "mask;save-literals;blank"
    QString displayFormat; // e.g. "#,##0.00"
    QString editFormat;
    int displayWidth = 0;

    // Value of the current record (or of the row a RowScope points at).
    QVariant value() const;
    QVariant oldValue() const; // as loaded or last merged; null for an inserted row
    bool isNull() const;
    // Requires edit or insert state (calculated fields: only inside onCalcFields).
    // Converts to the field's representation; throws vnd::Error when it cannot.
    void setValue(const QVariant &v);
    void clear(); // sets no value

    QString asString() const; // FixedString: trailing blanks dropped; null -> ""
    double asFloat() const;   // null -> 0
    qint64 asInteger() const; // null -> 0
    QDate asDate() const;     // null -> invalid date
    QDateTime asDateTime() const;
    bool asBoolean() const;
    void setAsString(const QString &s); // parsed by type; "" on a non-text field sets null
    void setAsFloat(double d) { setValue(d); }

    // Text through the get-text hook when set, else the default text: null -> "",
    // floats in shortest form with "." ("0" for zero), dates dd/MM/yyyy,
    // date-times dd/MM/yyyy (plus " hh:mm:ss" when the time is not midnight).
    QString displayText() const;
    QString text() const; // the edit text
    // Through the set-text hook when set, else setAsString.
    void setText(const QString &s);

    // Hooks: get-text receives displayText = true for display, false for the edit text.
    std::function<QString(const Field &, bool displayText)> onGetText;
    std::function<void(Field &, const QString &)> onSetText;

    // Asks the views bound to this dataset to focus this field's control.
    void focusControl();

private:
    friend class ClientDataSet;
    Field(ClientDataSet *ds, QString name, FieldType type, int size, int index, bool calc);
    QString defaultText() const;

    ClientDataSet *m_dataSet;
    QString m_name;
    FieldType m_type;
    int m_size;
    int m_index;
    bool m_calculated;
};

// Locate options.
enum class LocateOption { None = 0, CaseInsensitive = 1, PartialKey = 2 };

class ClientDataSet : public QObject
{
    Q_OBJECT
public:
    using Hook = std::function<void(ClientDataSet &)>;

    explicit ClientDataSet(QObject *parent = nullptr);
    ~ClientDataSet() override;

    // --- Structure (only while inactive) ---
    Field &addField(const QString &name, FieldType type, int size = 0);
    Field &addCalculatedField(const QString &name, FieldType type, int size = 0);
    int fieldCount() const;
    Field &field(int index);
    const Field &field(int index) const;
    Field *findField(QStringView name) const;   // case-insensitive, nullptr when absent
    Field &fieldByName(QStringView name) const; // throws vnd::Error when absent

    // --- Opening ---
    // Replaces the contents wholesale. Declared data fields are matched by name
    // (case-insensitively); a declared field missing from the packet throws vnd::Error; packet
    // fields not declared are added (visible = false) after the declared ones. With no
    // declared fields the packet's fields are taken as they come. Leaves browse state with an
    // empty change log, the first record current, calculated fields computed and afterScroll
    // run once.
    void loadPacket(const DataPacket &packet);
    void loadPacket(DataPacket &&packet);
    // Current data (deleted rows excluded, filter ignored), data fields only, as a packet.
    DataPacket toPacket() const;
    void close(); // inactive, data dropped; declared fields kept
    bool isActive() const;
    DataSetState state() const;
    // In edit or insert, a field was set since the edit began (after onNewRecord for an
    // insert). Moving away posts a modified record and gives up an untouched one.
    bool modified() const;

    // --- Navigation (over the rows that pass the filter, in index order) ---
    int recordCount() const;
    int recNo() const; // 0-based position of the current record; -1 when empty
    bool isEmpty() const;
    bool bof() const;
    bool eof() const;
    void first();
    void last();
    void next();
    void prior();
    void moveTo(int row);
    bool locate(const QStringList &fieldNames, const QVariantList &values,
                int options = int(LocateOption::None));
    // Moving posts a pending edit first (as a grid does), which runs the post hooks.

    // --- Editing ---
    void insert(); // at the current position
    void append(); // at the end
    void edit();
    void post();
    void cancel();
    void remove(); // deletes the current record (Delete)

    // --- Change log ---
    int changeCount() const;
    ChangeSet delta() const; // every change since the last load or merge
    void mergeChangeLog();
    void cancelUpdates(); // undo all: inserted rows vanish, modified revert, deleted come back
    // Views holding typed text not yet written (an open cell editor) register here; post()
    // runs them first, so a command that does not take the focus still saves what is shown.
    // A flusher may throw to stop the post. Runs only while the owner lives.
    void addPostFlusher(QObject *owner, std::function<void()> flush);

    // --- Filter: "F = 'v' and G = 'w'" (text and date comparisons, = <> < <= > >=) ---
    // Throws vnd::Error on a malformed expression.
    void setFilter(const QString &expression);
    QString filter() const;
    void setFiltered(bool on);
    bool isFiltered() const;

    // --- Kept sort order: "F1;F2" (empty: load order) ---
    void setIndexFieldNames(const QString &names);
    QString indexFieldNames() const;

    // --- Per-row access for views: no scrolling, no hooks but get-text ---
    QVariant valueAt(int row, int fieldIndex) const;
    QString textAt(int row, int fieldIndex, bool displayText) const;
    // A float field's value as valueAt gives it, read straight from the loaded column when the
    // row is as loaded (an export reads millions); nullopt for no value.
    std::optional<double> numberAt(int row, int fieldIndex) const;
    // For reading many cells straight from the loaded columns: a row's place in them, or -1
    // when the row holds values of its own (edited, inserted, being edited), which valueAt
    // reads; and a data field's loaded values (nullptr for a calculated field).
    int loadedRow(int row) const;
    const Column *loadedColumn(int fieldIndex) const;
    // Changes whenever what loadedColumn gives may change (a load, a close, fields added), so
    // a reader may keep the columns while it stays the same.
    quint64 loadedColumnsGeneration() const;

    // Points the fields at another row for reading, without scrolling (for drawing).
    class RowScope
    {
    public:
        RowScope(const ClientDataSet &ds, int row);
        ~RowScope();
        RowScope(const RowScope &) = delete;
        RowScope &operator=(const RowScope &) = delete;

    private:
        const ClientDataSet &m_ds;
        int m_saved;
    };

    // --- Hooks. A hook that throws vnd::SilentAbort or any exception ends the operation;
    // the dataset is left consistent (an aborted beforeInsert inserts nothing, an aborted
    // beforePost keeps the record in edit/insert with its values) and the exception goes on.
    Hook beforeInsert, afterInsert, onNewRecord;
    Hook beforeEdit, afterEdit;
    Hook beforePost, afterPost;
    Hook beforeCancel, afterCancel;
    Hook beforeDelete, afterDelete;
    Hook afterScroll;
    Hook onCalcFields;

signals:
    void stateChanged();
    void fieldChanged(int fieldIndex); // a value of the current record changed
    void currentChanged(int row);      // the current record moved
    void rowChanged(int row);          // a row's values changed (post, cancel, calc)
    void rowsInserted(int first, int last);
    void rowsRemoved(int first, int last);
    void reset(); // load, filter, sort, undo all, close
    void focusFieldRequested(int fieldIndex);

private:
    friend class Field;
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Links a dataset to controls: forwards its state changes and field changes.
class DataSource : public QObject
{
    Q_OBJECT
public:
    explicit DataSource(ClientDataSet *dataSet = nullptr, QObject *parent = nullptr);
    void setDataSet(ClientDataSet *dataSet);
    ClientDataSet *dataSet() const { return m_dataSet; }
    DataSetState state() const; // Inactive when no dataset

    std::function<void(DataSource &)> onStateChange;
    std::function<void(DataSource &, Field *)> onDataChange; // nullptr: whole record

signals:
    void stateChanged();
    void dataChanged(int fieldIndex); // -1: whole record

private:
    ClientDataSet *m_dataSet = nullptr;
    QMetaObject::Connection m_c1, m_c2, m_c3, m_c4, m_c5, m_c6;
};

} // namespace vnd::data
