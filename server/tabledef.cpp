#include "server/tabledef.h"

#include "server/errors.h"
#include "server/textcheck.h"

#include <QDate>
#include <QDateTime>

#include <cmath>

namespace vnd::server
{

using data::FieldType;

const Column *TableSpec::column(QStringView name) const
{
    for (const Column &c : columns)
        if (name.compare(c.name, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

Column tableCodeColumn(bool key)
{
    return {QStringLiteral("CDTABEPREC"), Storage::Text, 3, key, true, CodeForm::Digits};
}

namespace
{

ServiceError wrongKind(const Column &column)
{
    return ServiceError::badRequest(
        QStringLiteral("Valor de tipo inválido para o campo %1.").arg(column.name));
}

QString storedText(const Column &column, QString text, Use use)
{
    if (use == Use::Match)
        return text;
    if (hasControlCharacter(text))
        throw ServiceError::rule(
            QStringLiteral("O campo %1 não aceita caracteres de controle.").arg(column.name));
    if (column.code == CodeForm::None)
        return text;
    const std::optional<QString> code =
        normalisedCode(text, column.size, column.code == CodeForm::DigitsOrAll);
    if (!code)
        throw ServiceError::rule(
            QStringLiteral("Código inválido no campo %1: informe apenas dígitos.")
                .arg(column.name));
    return *code;
}

} // namespace

QVariant toStorage(const Column &column, FieldType sentAs, const QVariant &value, Use use)
{
    if (value.isNull()) {
        if (column.required)
            throw ServiceError::rule(
                QStringLiteral("Campo %1 deve ser informado.").arg(column.name));
        return {};
    }
    switch (column.storage) {
    case Storage::Text: {
        if (value.typeId() != QMetaType::QString)
            throw wrongKind(column);
        QString text = value.toString();
        if (sentAs == FieldType::FixedString) {
            qsizetype end = text.size();
            while (end > 0 && text.at(end - 1) == QLatin1Char(' '))
                --end;
            text.truncate(end);
        }
        text = storedText(column, text, use);
        if (use == Use::Store && column.size > 0 && text.size() > column.size)
            throw ServiceError::rule(QStringLiteral("Campo %1 aceita no máximo %2 caracteres.")
                                         .arg(column.name)
                                         .arg(column.size));
        if (column.required && text.trimmed().isEmpty())
            throw ServiceError::rule(
                QStringLiteral("Campo %1 deve ser informado.").arg(column.name));
        return text;
    }
    case Storage::Float:
    case Storage::Integer: {
        double d = 0;
        if (value.typeId() == QMetaType::Double)
            d = value.toDouble();
        else if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int)
            d = double(value.toLongLong());
        else
            throw wrongKind(column);
        if (!std::isfinite(d))
            throw ServiceError::rule(
                QStringLiteral("Valor inválido no campo %1.").arg(column.name));
        if (column.storage == Storage::Integer)
            return qlonglong(value.toLongLong());
        return d;
    }
    case Storage::Date: {
        QDate date;
        if (value.typeId() == QMetaType::QDate)
            date = value.toDate();
        else if (value.typeId() == QMetaType::QDateTime)
            date = value.toDateTime().date();
        else
            throw wrongKind(column);
        if (!date.isValid() || date.year() < 1 || date.year() > 9999)
            throw ServiceError::rule(QStringLiteral("Data inválida no campo %1.").arg(column.name));
        return date.toString(Qt::ISODate);
    }
    }
    return {};
}

QVariant fromStorage(FieldType type, const QVariant &v)
{
    if (v.isNull())
        return {};
    switch (type) {
    case FieldType::String:
    case FieldType::FixedString:
        return v.toString();
    case FieldType::Integer:
        return qlonglong(v.toLongLong());
    case FieldType::Float:
        return storedReal(v);
    case FieldType::Date:
        return QDate::fromString(v.toString().left(10), Qt::ISODate);
    case FieldType::DateTime:
        return QDateTime(QDate::fromString(v.toString().left(10), Qt::ISODate), QTime(0, 0));
    case FieldType::Boolean:
        return v.toBool();
    }
    return {};
}

QVariant storedReal(const QVariant &v)
{
    // PostgreSQL's NULL comes as a null QVariant of type double, which converts to 0.
    if (v.isNull())
        return {};
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok && std::isfinite(d) ? QVariant(d) : QVariant();
}

bool sameStored(const QVariant &a, const QVariant &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() && b.isNull();
    if (a.typeId() == QMetaType::Double || b.typeId() == QMetaType::Double)
        return a.toDouble() == b.toDouble();
    if (a.typeId() == QMetaType::LongLong && b.typeId() == QMetaType::LongLong)
        return a.toLongLong() == b.toLongLong();
    return a.toString() == b.toString();
}

} // namespace vnd::server
