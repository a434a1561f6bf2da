#include "pricetable/rulehelpers.h"

#include "host/services/codes.h"
#include "host/services/messagetable.h"
#include "host/services/ui.h"

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

namespace
{

// One part of "H:M" as the runtime's time conversion reads it: one or two digits, blanks
// around them ignored.
int timePart(QStringView part)
{
    const QStringView t = part.trimmed();
    if (t.isEmpty() || t.size() > 2)
        return -1;
    int n = 0;
    for (QChar c : t) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        n = n * 10 + (c.unicode() - '0');
    }
    return n;
}

} // namespace

bool isValidStoredTime(const QString &stored)
{
    if (stored.size() != 4)
        return false;
    const int h = timePart(QStringView(stored).left(2));
    const int m = timePart(QStringView(stored).mid(2, 2));
    return h >= 0 && h <= 23 && m >= 0 && m <= 59;
}

void checkStoredTime(Field &hora, const QString &editText, const MessageTable &messages)
{
    bool valid = isValidStoredTime(hora.asString());
    // The shown text is checked as well: it is what the user reads back in the message.
    if (valid && !editText.isEmpty())
        valid =
            editText.mid(0, 2) <= QLatin1String("23") && editText.mid(3, 2) <= QLatin1String("59");
    if (valid)
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
