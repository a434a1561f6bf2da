#include "server/itempricerules.h"

#include "server/errors.h"

#include "pricing/pricelimit.h"

#include <QRegularExpression>

namespace vnd::server
{

namespace
{

using pricing::kPriceLimit;

struct PriceRule {
    const char *field;
    bool lowerBound;
    const char *belowZero;
    const char *overLimit;
};

const PriceRule kPriceRules[] = {
    {"VRPRECITEM", true, "Valor consumidor deve ser maior que zero.",
     "Operação bloqueda. Valor preço inválido."},
    {"VRPRECITEMDLV", true, "Valor consumidor deve ser maior que zero.",
     "Operação bloqueda. Valor preço inválido."},
    {"VRPRECITEMCMD", true, "Valor consumidor deve ser maior que zero.",
     "Operação bloqueda. Valor preço inválido."},
    {"VRPRECITEMCL", true, "Valor Cliente deve ser maior ou igual a zero.",
     "Operação bloqueda. Valor preço subsidiado inválido."},
    {"VRPRESUGITEM", true, "Preço sugerido deve ser maior ou igual a zero.",
     "Operação bloqueada. Valor preço sugerido inválido."},
    {"VRCUSTITEM", false, "", "Operação bloqueada. Valor preço calculado inválido."},
};

bool validTime(const QString &t)
{
    // The mask leaves the first hour digit optional: " 930" is 09:30, as the window reads it.
    static const QRegularExpression re(QStringLiteral("^([ 01][0-9]|2[0-3])[0-5][0-9]$"));
    return re.match(t).hasMatch();
}

} // namespace

void checkItemPriceRow(const data::ChangeSet &changes, const data::Row &row)
{
    for (const PriceRule &rule : kPriceRules) {
        const int i = changes.indexOf(QString::fromLatin1(rule.field));
        if (i < 0 || i >= row.size() || row[i].isNull())
            continue;
        const double v = row[i].toDouble();
        if (rule.lowerBound && v < 0)
            throw ServiceError::rule(QString::fromUtf8(rule.belowZero));
        if (v >= kPriceLimit)
            throw ServiceError::rule(QString::fromUtf8(rule.overLimit));
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
