#include "server/changeapplier.h"

#include "server/dberror.h"
#include "server/errors.h"
#include "server/sqlstatement.h"

#include <QStringList>

namespace vnd::server
{

using data::Change;

namespace
{

int indexIn(const MappedChange &c, QStringView name)
{
    for (size_t i = 0; i < c.columns.size(); ++i)
        if (name.compare(c.columns[i]->name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

// A value is checked as one to store unless it is the old row's own: a modify that leaves a
// field as loaded does not write it, so what was stored before today's checks stays editable.
std::vector<QVariant> mapRow(const std::vector<const Column *> &columns,
                             const std::vector<int> &fieldIndex,
                             const QList<data::FieldDef> &fields, const data::Row &row, Use use,
                             const data::Row *oldRow = nullptr)
{
    if (row.size() != fields.size())
        throw ServiceError::badRequest(
            QStringLiteral("Registro do pacote de alterações com número de valores inválido."));
    std::vector<QVariant> out;
    out.reserve(columns.size());
    for (size_t i = 0; i < columns.size(); ++i) {
        const int f = fieldIndex[i];
        const bool unchanged = oldRow && f < oldRow->size() && (*oldRow)[f] == row[f];
        out.push_back(toStorage(*columns[i], fields[f].type, row[f], unchanged ? Use::Match : use));
    }
    return out;
}

} // namespace

QVariant MappedChange::oldValue(QStringView column) const
{
    const int i = indexIn(*this, column);
    return i < 0 || oldValues.empty() ? QVariant() : oldValues[i];
}

QVariant MappedChange::newValue(QStringView column) const
{
    const int i = indexIn(*this, column);
    return i < 0 || newValues.empty() ? QVariant() : newValues[i];
}

bool MappedChange::touches(QStringView column) const
{
    const int i = indexIn(*this, column);
    if (i < 0)
        return false;
    if (op != Change::Op::Modify)
        return true;
    return !sameStored(oldValues[i], newValues[i]);
}

ChangeApplier::ChangeApplier(const Database &database, const QSqlDatabase &db, const TableSpec &def,
                             const data::ChangeSet &changes, Messages messages)
    : m_database(database), m_db(db), m_spec(def), m_messages(std::move(messages))
{
    std::vector<const Column *> columns;
    std::vector<int> fieldIndex;
    for (const Column &c : def.columns) {
        const int f = changes.indexOf(c.name);
        if (f >= 0) {
            columns.push_back(&c);
            fieldIndex.push_back(f);
        } else if (c.key) {
            throw ServiceError::badRequest(
                QStringLiteral("Pacote de alterações sem o campo %1.").arg(c.name));
        }
    }
    for (const Change &change : changes.changes) {
        MappedChange m;
        m.op = change.op;
        m.columns = columns;
        if (change.op != Change::Op::Insert)
            m.oldValues = mapRow(columns, fieldIndex, changes.fields, change.oldRow, Use::Match);
        if (change.op != Change::Op::Delete)
            m.newValues = mapRow(columns, fieldIndex, changes.fields, change.newRow, Use::Store,
                                 change.op == Change::Op::Modify ? &change.oldRow : nullptr);
        m_mapped.push_back(std::move(m));
    }
}

void ChangeApplier::applyAll()
{
    for (const MappedChange &m : m_mapped)
        apply(m);
}

void ChangeApplier::apply(const MappedChange &change)
{
    switch (change.op) {
    case Change::Op::Insert:
        insert(change);
        break;
    case Change::Op::Modify:
        if (!update(change))
            throw ServiceError::conflict();
        break;
    case Change::Op::Delete:
        if (!remove(change))
            throw ServiceError::conflict();
        break;
    }
}

void ChangeApplier::execChecked(const std::function<void()> &run) const
{
    try {
        run();
    } catch (const DbError &e) {
        switch (e.kind()) {
        case DbError::Kind::Unique:
            throw ServiceError::duplicate(
                m_messages.duplicate.isEmpty()
                    ? QStringLiteral("Registro já cadastrado. Atualize os dados e tente novamente.")
                    : m_messages.duplicate,
                e.text());
        case DbError::Kind::ForeignKey:
            throw ServiceError::rule(!m_messages.missingRef.isEmpty()
                                         ? m_messages.missingRef
                                         : QStringLiteral("Registro relacionado não cadastrado "
                                                          "ou ainda em uso."),
                                     e.text());
        default:
            throw e.toServiceError();
        }
    }
}

void ChangeApplier::insert(const MappedChange &change)
{
    for (const Column &c : m_spec.columns)
        if (c.required && indexIn(change, c.name) < 0)
            throw ServiceError::rule(QStringLiteral("Campo %1 deve ser informado.").arg(c.name));
    QStringList names, marks;
    for (const Column *c : change.columns) {
        names << c->name;
        marks << QStringLiteral("?");
    }
    execChecked([&] {
        SqlStatement q(m_db, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                 .arg(m_spec.table, names.join(QLatin1Char(',')),
                                      marks.join(QLatin1Char(','))));
        for (const QVariant &v : change.newValues)
            q.bind(v);
        q.exec();
    });
}

bool ChangeApplier::update(const MappedChange &change)
{
    QStringList sets, where;
    QVariantList setValues, whereValues;
    const QString is = m_database.nullSafeEquals();
    for (size_t i = 0; i < change.columns.size(); ++i) {
        const Column *c = change.columns[i];
        const bool touched = !sameStored(change.oldValues[i], change.newValues[i]);
        if (touched) {
            sets << c->name + QStringLiteral(" = ?");
            setValues << change.newValues[i];
        }
        if (c->key || touched) {
            // Keys are never NULL; plain equality keeps them usable by every index.
            where << c->name + (c->key ? QStringLiteral(" = ") : is) + QStringLiteral("?");
            whereValues << change.oldValues[i];
        }
    }
    // Nothing changed: the row must still be there, or another user removed it.
    const QString sql = sets.isEmpty() ? QStringLiteral("SELECT 1 FROM %1 WHERE %2")
                                             .arg(m_spec.table, where.join(QLatin1String(" AND ")))
                                       : QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                                             .arg(m_spec.table, sets.join(QLatin1Char(',')),
                                                  where.join(QLatin1String(" AND ")));
    bool matched = false;
    execChecked([&] {
        SqlStatement q(m_db, sql);
        if (!sets.isEmpty())
            for (const QVariant &v : setValues)
                q.bind(v);
        for (const QVariant &v : whereValues)
            q.bind(v);
        q.exec();
        matched = sets.isEmpty() ? q.next() : q.rowsAffected() > 0;
    });
    return matched;
}

bool ChangeApplier::remove(const MappedChange &change)
{
    // A delete touches the whole row: every carried column must still hold what was loaded.
    QStringList where;
    const QString is = m_database.nullSafeEquals();
    for (const Column *c : change.columns)
        where << c->name + (c->key ? QStringLiteral(" = ") : is) + QStringLiteral("?");
    bool matched = false;
    execChecked([&] {
        SqlStatement q(m_db, QStringLiteral("DELETE FROM %1 WHERE %2")
                                 .arg(m_spec.table, where.join(QLatin1String(" AND "))));
        for (const QVariant &v : change.oldValues)
            q.bind(v);
        q.exec();
        matched = q.rowsAffected() > 0;
    });
    return matched;
}

} // namespace vnd::server
