#include "host/data/fieldvalue.h"

#include "host/services/errors.h"

#include <QLocale>

#include <charconv>
#include <cmath>

namespace vnd::data::internal
{

namespace
{

constexpr qint64 kMsPerDay = 86400000;

QString trimmedRight(const QString &s)
{
    qsizetype n = s.size();
    while (n > 0 && s.at(n - 1) == u' ')
        --n;
    return n == s.size() ? s : s.left(n);
}

QString numberText(double d)
{
    if (d == 0)
        return QStringLiteral("0"); // also for -0
    return QString::number(d, 'f', QLocale::FloatingPointShortest);
}

QString dateTimeText(const QDateTime &dt)
{
    const QString day = dt.date().toString(QStringLiteral("dd/MM/yyyy"));
    if (dt.time() == QTime(0, 0))
        return day;
    return day + dt.time().toString(QStringLiteral(" hh:mm:ss"));
}

bool onlyMaskLiterals(const QString &text)
{
    for (QChar c : text) {
        if (c != u' ' && c != u'/' && c != u':' && c != u'-' && c != u'.')
            return false;
    }
    return true;
}

[[noreturn]] void refuse(const QString &text, const QString &fieldName, const char *kind)
{
    throw vnd::Error(QStringLiteral("'%1' não é %2 válido para o campo %3.")
                         .arg(text, QString::fromUtf8(kind), fieldName));
}

} // namespace

int storedMetaType(FieldType t)
{
    switch (t) {
    case FieldType::String:
    case FieldType::FixedString:
        return QMetaType::QString;
    case FieldType::Integer:
        return QMetaType::LongLong;
    case FieldType::Float:
        return QMetaType::Double;
    case FieldType::Date:
        return QMetaType::QDate;
    case FieldType::DateTime:
        return QMetaType::QDateTime;
    case FieldType::Boolean:
        return QMetaType::Bool;
    }
    return QMetaType::UnknownType;
}

QStringView textView(FieldType t, const QVariant &v)
{
    if (v.typeId() != QMetaType::QString)
        return {};
    QStringView s(*static_cast<const QString *>(v.constData()));
    if (t == FieldType::FixedString) {
        while (!s.isEmpty() && s.back() == u' ')
            s.chop(1);
    }
    return s;
}

QVariant readValue(FieldType t, const QVariant &v)
{
    if (t == FieldType::FixedString && v.typeId() == QMetaType::QString)
        return trimmedRight(*static_cast<const QString *>(v.constData()));
    return v;
}

QString defaultText(FieldType t, const QVariant &v)
{
    if (isNullValue(v))
        return QString();
    switch (t) {
    case FieldType::String:
    case FieldType::FixedString:
        return textView(t, v).toString();
    case FieldType::Integer:
        return QString::number(v.toLongLong());
    case FieldType::Float:
        return numberText(v.toDouble());
    case FieldType::Date:
        return v.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    case FieldType::DateTime:
        return dateTimeText(v.toDateTime());
    case FieldType::Boolean:
        return v.toBool() ? QStringLiteral("Sim") : QStringLiteral("Não");
    }
    return QString();
}

namespace
{

// "1234,5", "-12.50": digits with at most one decimal comma or point. Read straight from the
// characters, since an import reads 100,000 of them; std::from_chars rounds correctly, as
// QLocale does, so the value is the same.
bool parsePlainNumber(QStringView s, double &out)
{
    char buffer[32];
    const qsizetype n = s.size();
    if (n == 0 || n >= qsizetype(sizeof buffer))
        return false;
    bool point = false, digit = false;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i].unicode();
        if (c >= u'0' && c <= u'9') {
            digit = true;
            buffer[i] = char(c);
        } else if ((c == u',' || c == u'.') && !point && digit && i + 1 < n) {
            point = true;
            buffer[i] = '.';
        } else if (c == u'-' && i == 0) {
            buffer[i] = '-';
        } else {
            return false;
        }
    }
    return std::from_chars(buffer, buffer + n, out).ec == std::errc();
}

} // namespace

bool parseNumber(const QString &raw, double &out)
{
    if (parsePlainNumber(QStringView(raw).trimmed(), out))
        return std::isfinite(out);
    QString s = raw.trimmed();
    if (s.contains(u',')) {
        s.remove(u'.');
        s.replace(u',', u'.');
    } else if (s.count(u'.') > 1) {
        s.remove(u'.');
    }
    bool ok = false;
    out = QLocale::c().toDouble(s, &ok);
    return ok && std::isfinite(out);
}

bool parseDateTime(const QString &raw, QDateTime &out)
{
    const QString s = raw.trimmed();
    const qsizetype blank = s.indexOf(u' ');
    const QString dayPart = blank < 0 ? s : s.left(blank);
    const QString timePart = blank < 0 ? QString() : s.mid(blank + 1).trimmed();
    QDate date = QDate::fromString(dayPart, QStringLiteral("d/M/yyyy"));
    if (!date.isValid())
        date = QDate::fromString(dayPart, Qt::ISODate);
    if (!date.isValid())
        return false;
    QTime time(0, 0);
    if (!timePart.isEmpty()) {
        time = QTime::fromString(timePart, QStringLiteral("H:mm:ss"));
        if (!time.isValid())
            time = QTime::fromString(timePart, QStringLiteral("H:mm"));
        if (!time.isValid())
            return false;
    }
    out = QDateTime(date, time);
    return out.isValid();
}

QVariant parseText(FieldType t, const QString &text, const QString &fieldName)
{
    if (isTextType(t))
        return text;
    const QString s = text.trimmed();
    if (s.isEmpty())
        return QVariant();
    switch (t) {
    case FieldType::Integer: {
        bool ok = false;
        const qlonglong n = s.toLongLong(&ok);
        if (!ok)
            refuse(text, fieldName, "um valor inteiro");
        return n;
    }
    case FieldType::Float: {
        double d = 0;
        if (!parseNumber(s, d))
            refuse(text, fieldName, "um valor numérico");
        return d;
    }
    case FieldType::Date:
    case FieldType::DateTime: {
        if (onlyMaskLiterals(s))
            return QVariant();
        QDateTime dt;
        if (!parseDateTime(s, dt) || (t == FieldType::Date && dt.time() != QTime(0, 0))) {
            // Said at the cell, before any check that would read it as a wrong order.
            if (t == FieldType::Date)
                throw vnd::Error(QStringLiteral("Data inválida."));
            refuse(text, fieldName, "uma data e hora");
        }
        return t == FieldType::Date ? QVariant(dt.date()) : QVariant(dt);
    }
    case FieldType::Boolean: {
        const QString l = s.toLower();
        for (const char *yes : {"s", "sim", "t", "true", "1", "y", "yes"}) {
            if (l == QLatin1StringView(yes))
                return true;
        }
        for (const char *no : {"n", "não", "nao", "f", "false", "0", "no"}) {
            if (l == QString::fromUtf8(no))
                return false;
        }
        refuse(text, fieldName, "um valor lógico");
    }
    default:
        break;
    }
    return text;
}

bool conformValue(FieldType t, int size, QVariant &v)
{
    if (isNullValue(v)) {
        v = QVariant();
        return true;
    }
    if (v.typeId() != storedMetaType(t) && !normalizeValue(t, v))
        return false;
    if (isTextType(t) && size > 0 && v.typeId() == QMetaType::QString) {
        const QString *s = static_cast<const QString *>(v.constData());
        if (s->size() > size)
            v = s->left(size);
    }
    return true;
}

qint64 stampOf(const QVariant &v)
{
    if (v.typeId() == QMetaType::QDate)
        return v.toDate().toJulianDay() * kMsPerDay;
    if (v.typeId() == QMetaType::QDateTime) {
        const QDateTime dt = v.toDateTime();
        return dt.date().toJulianDay() * kMsPerDay + dt.time().msecsSinceStartOfDay();
    }
    return 0;
}

bool sameValue(const QVariant &a, const QVariant &b)
{
    const bool na = isNullValue(a);
    const bool nb = isNullValue(b);
    if (na || nb)
        return na == nb;
    if (a.typeId() != b.typeId())
        return false;
    if (a.typeId() == QMetaType::Double) // exact, never fuzzy: a price must round-trip
        return a.toDouble() == b.toDouble();
    return a == b;
}

bool sameRow(const Row &a, const Row &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (!sameValue(a[i], b[i]))
            return false;
    }
    return true;
}

int compareValues(FieldType t, const QVariant &a, const QVariant &b)
{
    const bool na = isNullValue(a);
    const bool nb = isNullValue(b);
    if (na || nb)
        return na == nb ? 0 : (na ? -1 : 1);
    switch (t) {
    case FieldType::String:
    case FieldType::FixedString:
        return textView(t, a).compare(textView(t, b));
    case FieldType::Integer: {
        const qlonglong x = a.toLongLong(), y = b.toLongLong();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    case FieldType::Float: {
        const double x = a.toDouble(), y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    case FieldType::Date:
    case FieldType::DateTime: {
        const qint64 x = stampOf(a), y = stampOf(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    case FieldType::Boolean:
        return int(a.toBool()) - int(b.toBool());
    }
    return 0;
}

} // namespace vnd::data::internal
