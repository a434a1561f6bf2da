#include "wire/codecio.h"

namespace vnd::data::Internal
{

namespace
{

void put(char *out, int value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        out[i] = char('0' + value % 10);
        value /= 10;
    }
}

// Reads width digits at text[pos]; -1 when any is not a digit.
int digits(QStringView text, int pos, int width)
{
    int value = 0;
    for (int i = pos; i < pos + width; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

} // namespace

void failAt(qsizetype position, const QString &detail)
{
    throw DecodeError(
        QStringLiteral("Dados recebidos inválidos na posição %1: %2.").arg(position).arg(detail));
}

bool formatDate(QDate date, char out[10])
{
    int y = 0, m = 0, d = 0;
    date.getDate(&y, &m, &d);
    if (!date.isValid() || y < 1 || y > 9999)
        return false;
    put(out, y, 4);
    out[4] = '-';
    put(out + 5, m, 2);
    out[7] = '-';
    put(out + 8, d, 2);
    return true;
}

bool formatDateTime(const QDateTime &dt, char out[19])
{
    const QDateTime local = dt.timeSpec() == Qt::LocalTime ? dt : dt.toLocalTime();
    if (!local.isValid() || !formatDate(local.date(), out))
        return false;
    const QTime t = local.time();
    out[10] = 'T';
    put(out + 11, t.hour(), 2);
    out[13] = ':';
    put(out + 14, t.minute(), 2);
    out[16] = ':';
    put(out + 17, t.second(), 2);
    return true;
}

QDate parseDate(QStringView text)
{
    if (text.size() != 10 || text[4] != u'-' || text[7] != u'-')
        return QDate();
    const int y = digits(text, 0, 4);
    const int m = digits(text, 5, 2);
    const int d = digits(text, 8, 2);
    if (y < 1 || m < 0 || d < 0)
        return QDate();
    return QDate(y, m, d); // invalid for a day that does not exist
}

QDateTime parseDateTime(QStringView text)
{
    if (text.size() != 19 || text[10] != u'T' || text[13] != u':' || text[16] != u':')
        return QDateTime();
    const QDate date = parseDate(text.first(10));
    const int h = digits(text, 11, 2);
    const int mi = digits(text, 14, 2);
    const int s = digits(text, 17, 2);
    if (!date.isValid() || h < 0 || mi < 0 || s < 0 || !QTime::isValid(h, mi, s))
        return QDateTime();
    QDateTime dt(date, QTime(h, mi, s));
    return dt.isValid() ? dt : QDateTime();
}

std::unique_ptr<TokenWriter> makeWriter(Encoding enc)
{
    return enc == Encoding::Cbor ? makeCborWriter() : makeJsonWriter();
}

std::unique_ptr<TokenReader> makeReader(const QByteArray &body, Encoding enc)
{
    return enc == Encoding::Cbor ? makeCborReader(body) : makeJsonReader(body);
}

std::unique_ptr<TokenReader> makeReader(BodyFeed &feed, Encoding enc)
{
    return enc == Encoding::Cbor ? makeCborReader(feed) : makeJsonReader(feed);
}

} // namespace vnd::data::Internal
