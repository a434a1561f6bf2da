#include "pricetable/rulehelpers.h"

#include "host/services/codes.h"
#include "host/services/ui.h"
#include "pricing/dayhourrules.h"
#include "pricing/messagetable.h"

namespace vnd::pricetable
{

using data::Field;
using data::FieldType;

void refuse(Field &field, const MessageTable &messages, const char *key)
{
    field.focusControl();
    refuse(messages, key);
}

void refuse(const MessageTable &messages, const char *key)
{
    MensErro(messages.msg(QString::fromLatin1(key)));
}

bool isEmptyField(const Field &field)
{
    return field.isNull() || EmptyString(field.text());
}

void setDate(Field &field, const QDate &date)
{
    if (!date.isValid())
        field.clear();
    else if (field.dataType() == FieldType::DateTime)
        field.setValue(QDateTime(date, QTime(0, 0)));
    else
        field.setValue(date);
}

pricing::Decimal decimalOf(const Field &field)
{
    return pricing::Decimal::clampedFromDouble(field.asFloat());
}

QDate dateOf(const Field &field)
{
    if (field.isNull())
        return {};
    return field.dataType() == FieldType::DateTime ? field.asDateTime().date() : field.asDate();
}

QString shortDateText(const QDate &date)
{
    return date.isValid() ? date.toString(QStringLiteral("dd/MM/yyyy")) : QString();
}

QString timeEditText(const QString &stored, const QString &whenEmpty)
{
    if (stored.isEmpty())
        return whenEmpty;
    return stored.left(2) + QLatin1Char(':') + stored.mid(2, 2);
}

bool storedTimeValid(const QString &stored, const QString &shown)
{
    if (!pricing::isValidStoredTime(stored))
        return false;
    // The shown text is checked as well: it is what the user reads back in the message.
    return shown.isEmpty() ||
           (shown.mid(0, 2) <= QLatin1String("23") && shown.mid(3, 2) <= QLatin1String("59"));
}

void checkStoredTime(Field &hora, const QString &editText, const MessageTable &messages)
{
    if (storedTimeValid(hora.asString(), editText))
        return;
    hora.focusControl();
    hora.clear();
    MensErro(QLatin1Char('\'') + editText + QLatin1Char('\'') +
             messages.msg(QStringLiteral("HoraInv")));
}

bool isEditing(const data::ClientDataSet &ds)
{
    return ds.state() == data::DataSetState::Edit || ds.state() == data::DataSetState::Insert;
}

bool isFlagOn(const data::ClientDataSet &ds, QStringView fieldName)
{
    return ds.fieldByName(fieldName).asString() == QLatin1String("S");
}

} // namespace vnd::pricetable
