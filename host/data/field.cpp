#include "host/data/datasetimpl.h"
#include "host/data/fieldvalue.h"

#include <cmath>

namespace vnd::data
{

using namespace internal;

Field::Field(ClientDataSet *ds, QString name, FieldType type, int size, int index, bool calc)
    : displayLabel(name), m_dataSet(ds), m_name(std::move(name)), m_type(type), m_size(size),
      m_index(index), m_calculated(calc)
{
}

QVariant Field::value() const
{
    return readValue(m_type, m_dataSet->d->rawValue(m_index));
}

QVariant Field::oldValue() const
{
    const ClientDataSet::Impl &d = *m_dataSet->d;
    const Record *r = d.readRecord();
    if (!r || m_calculated)
        return value();
    if (r->status == Record::Status::Inserted || r->status == Record::Status::Pending)
        return QVariant();
    const int s = d.slot[m_index];
    if (const Row *original = r->original())
        return s < original->size() ? readValue(m_type, original->at(s)) : QVariant();
    return readValue(m_type, d.cell(r, s));
}

bool Field::isNull() const
{
    return isNullValue(m_dataSet->d->rawValue(m_index));
}

void Field::setValue(const QVariant &v)
{
    ClientDataSet::Impl &d = *m_dataSet->d;
    QVariant x = v;
    if (x.typeId() == QMetaType::QString && !isTextType(m_type))
        x = parseText(m_type, x.toString(), label());
    if (!conformValue(m_type, m_size, x))
        throw vnd::Error(QStringLiteral("Valor inválido para o campo %1.").arg(label()));
    const int s = d.slot[m_index];
    if (m_calculated) {
        if (!d.calcTarget)
            throw vnd::Error(
                QStringLiteral("O campo calculado %1 só recebe valor no cálculo.").arg(label()));
        (*d.calcTarget)[s] = std::move(x);
        return;
    }
    if (d.calcTarget)
        throw vnd::Error(
            QStringLiteral("O campo %1 não pode ser alterado durante o cálculo.").arg(label()));
    if (!d.editing() || !d.editRec)
        throw vnd::Error(
            QStringLiteral("O registro não está em edição: o campo %1 não pode ser alterado.")
                .arg(label()));
    d.buffer[s] = std::move(x);
    d.modified = true;
    emit m_dataSet->fieldChanged(m_index);
    d.recalcBuffer(true);
}

void Field::clear()
{
    setValue(QVariant());
}

QString Field::asString() const
{
    return defaultText();
}

double Field::asFloat() const
{
    const QVariant v = m_dataSet->d->rawValue(m_index);
    if (isNullValue(v))
        return 0;
    switch (m_type) {
    case FieldType::Float:
        return v.toDouble();
    case FieldType::Integer:
        return double(v.toLongLong());
    case FieldType::Boolean:
        return v.toBool() ? 1 : 0;
    case FieldType::String:
    case FieldType::FixedString: {
        double d = 0;
        const QString s = textView(m_type, v).toString();
        if (s.trimmed().isEmpty())
            return 0;
        if (!parseNumber(s, d))
            throw vnd::Error(QStringLiteral("'%1' não é um valor numérico válido para o campo %2.")
                                 .arg(s, label()));
        return d;
    }
    default:
        throw vnd::Error(QStringLiteral("O campo %1 não tem valor numérico.").arg(label()));
    }
}

qint64 Field::asInteger() const
{
    if (m_type == FieldType::Integer) {
        const QVariant v = m_dataSet->d->rawValue(m_index);
        return isNullValue(v) ? 0 : v.toLongLong();
    }
    const double d = asFloat();
    if (std::fabs(d) >= 9.2e18)
        throw vnd::Error(QStringLiteral("Valor do campo %1 fora do intervalo.").arg(label()));
    return qRound64(d);
}

QDateTime Field::asDateTime() const
{
    const QVariant v = m_dataSet->d->rawValue(m_index);
    if (isNullValue(v))
        return QDateTime();
    if (m_type == FieldType::DateTime)
        return v.toDateTime();
    if (m_type == FieldType::Date)
        return QDateTime(v.toDate(), QTime(0, 0));
    if (isTextType(m_type)) {
        const QString s = textView(m_type, v).toString();
        if (s.trimmed().isEmpty())
            return QDateTime();
        QDateTime dt;
        if (parseDateTime(s, dt))
            return dt;
        throw vnd::Error(
            QStringLiteral("'%1' não é uma data válida para o campo %2.").arg(s, label()));
    }
    throw vnd::Error(QStringLiteral("O campo %1 não tem valor de data.").arg(label()));
}

QDate Field::asDate() const
{
    return asDateTime().date();
}

bool Field::asBoolean() const
{
    const QVariant v = m_dataSet->d->rawValue(m_index);
    if (isNullValue(v))
        return false;
    switch (m_type) {
    case FieldType::Boolean:
        return v.toBool();
    case FieldType::Integer:
    case FieldType::Float:
        return v.toDouble() != 0;
    case FieldType::String:
    case FieldType::FixedString: {
        const QVariant b = parseText(FieldType::Boolean, textView(m_type, v).toString(), label());
        return b.isValid() && b.toBool();
    }
    default:
        throw vnd::Error(QStringLiteral("O campo %1 não tem valor lógico.").arg(label()));
    }
}

void Field::setAsString(const QString &s)
{
    setValue(parseText(m_type, s, label()));
}

QString Field::displayText() const
{
    return onGetText ? onGetText(*this, true) : defaultText();
}

QString Field::text() const
{
    return onGetText ? onGetText(*this, false) : defaultText();
}

void Field::setText(const QString &s)
{
    if (onSetText)
        onSetText(*this, s);
    else
        setAsString(s);
}

void Field::focusControl()
{
    emit m_dataSet->focusFieldRequested(m_index);
}

QString Field::defaultText() const
{
    return internal::defaultText(m_type, m_dataSet->d->rawValue(m_index));
}

} // namespace vnd::data
