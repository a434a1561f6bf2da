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

bool validTime(const QString &t)
{
    // The mask leaves the first hour digit optional: " 930" is 09:30, as the window reads it.
    static const QRegularExpression re(QStringLiteral("^([ 01][0-9]|2[0-3])[0-5][0-9]$"));
    return re.match(t).hasMatch();
}

} // namespace

void checkItemPriceRow(const data::ChangeSet &changes, const data::Row &row)
{
    for (const pricing::PriceBound &bound : pricing::kItemPriceBounds) {
        const int i = changes.indexOf(QString::fromLatin1(bound.field));
        if (i < 0 || i >= row.size() || row[i].isNull())
            continue;
        if (const char *key = pricing::priceBoundFault(bound, row[i].toDouble()))
            throw ServiceError::rule(messages().msg(QString::fromLatin1(key)));
    }
    for (const char *field : {"HRINIVENPROD", "HRFIMVENPROD"}) {
        const int i = changes.indexOf(QString::fromLatin1(field));
        if (i < 0 || i >= row.size() || row[i].isNull())
            continue;
        const QString t = row[i].toString();
        if (!t.trimmed().isEmpty() && !validTime(t))
            throw ServiceError::rule(QStringLiteral("'%1'Hora inválida.").arg(t.left(10)));
    }
    for (const char *field : {"IDPRECVARIA", "IDPRODPROMOC"}) {
        const int i = changes.indexOf(QString::fromLatin1(field));
        if (i < 0 || i >= row.size() || row[i].isNull())
            continue;
        const QString f = row[i].toString();
        if (!f.isEmpty() && f != QLatin1String("S") && f != QLatin1String("N"))
            throw ServiceError::rule(
                QStringLiteral("Valor inválido para o campo %1.").arg(QLatin1String(field)));
    }
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
