#include "server/itempricerules.h"

#include "server/errors.h"

#include "pricing/itempricebounds.h"
#include "pricing/messagetable.h"
#include "pricing/tabgeralmessages.h"

#include <QRegularExpression>

namespace vnd::server
{

namespace
{

// The window's texts, so a refusal reads the same whoever sent the row.
const MessageTable &messages()
{
    static const MessageTable table(pricetable::tabGeralMessages());
    return table;
}

// "HHMM" as the mask stores it; the mask leaves the first hour digit optional: " 930" is
// 09:30, as the window reads it.
bool validTime(const QString &t)
{
    if (t.size() != 4)
        return false;
    const auto digit = [](QChar c, char16_t last) { return c >= u'0' && c.unicode() <= last; };
    const QChar h = t[0];
    const bool hour = h == u' ' || h == u'0' || h == u'1' ? digit(t[1], u'9')
                      : h == u'2'                         ? digit(t[1], u'3')
                                                          : false;
    return hour && digit(t[2], u'5') && digit(t[3], u'9');
}

} // namespace

ItemPriceRowCheck::ItemPriceRowCheck(const data::ChangeSet &changes)
{
    for (const pricing::PriceBound &bound : pricing::kItemPriceBounds)
        if (const int i = changes.indexOf(QString::fromLatin1(bound.field)); i >= 0)
            m_prices.emplace_back(&bound, i);
    for (const char *field : {"HRINIVENPROD", "HRFIMVENPROD"})
        if (const int i = changes.indexOf(QString::fromLatin1(field)); i >= 0)
            m_times.push_back(i);
    for (const char *field : {"IDPRECVARIA", "IDPRODPROMOC"})
        if (const int i = changes.indexOf(QString::fromLatin1(field)); i >= 0)
            m_flags.emplace_back(field, i);
}

void ItemPriceRowCheck::operator()(const data::Row &row) const
{
    for (const auto &[bound, i] : m_prices) {
        if (i >= row.size() || row[i].isNull())
            continue;
        if (const char *key = pricing::priceBoundFault(*bound, row[i].toDouble()))
            throw ServiceError::rule(messages().msg(QString::fromLatin1(key)));
    }
    for (const int i : m_times) {
        if (i >= row.size() || row[i].isNull())
            continue;
        const QString t = row[i].toString();
        if (!t.trimmed().isEmpty() && !validTime(t))
            throw ServiceError::rule(QStringLiteral("'%1'Hora inválida.").arg(t.left(10)));
    }
    for (const auto &[field, i] : m_flags) {
        if (i >= row.size() || row[i].isNull())
            continue;
        const QString f = row[i].toString();
        if (!f.isEmpty() && f != QLatin1String("S") && f != QLatin1String("N"))
            throw ServiceError::rule(
                QStringLiteral("Valor inválido para o campo %1.").arg(QLatin1String(field)));
    }
}

void checkItemPriceRow(const data::ChangeSet &changes, const data::Row &row)
{
    const ItemPriceRowCheck check(changes);
    check(row);
}

QStringList parseEmptyFieldList(const QString &text)
{
    static const QRegularExpression name(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]{0,39}$"));
    QStringList out;
    if (text.size() > 4000)
        throw ServiceError::badRequest(QStringLiteral("Lista de campos vazios inválida."));
    for (const QString &part : text.split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
        const QString n = part.trimmed();
        if (n.isEmpty())
            continue;
        if (!name.match(n).hasMatch())
            throw ServiceError::badRequest(QStringLiteral("Lista de campos vazios inválida."));
        out << n;
    }
    return out;
}

} // namespace vnd::server
