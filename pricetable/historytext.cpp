#include "pricetable/historytext.h"

#include <QDate>
#include <QRegularExpression>

namespace vnd::pricetable
{

QString historyValueText(const QVariant &stored, const QString &field)
{
    if (stored.isNull())
        return QStringLiteral("—");
    const QString text = stored.toString();
    static const QRegularExpression number(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
    static const QRegularExpression time(QStringLiteral("^[0-9]{4}$"));
    if (field.startsWith(QLatin1String("HR")) && time.match(text).hasMatch())
        return text.left(2) + u':' + text.mid(2);
    if (field.startsWith(QLatin1String("DT"))) {
        const QDate d = QDate::fromString(text.left(10), Qt::ISODate);
        if (d.isValid())
            return d.toString(QStringLiteral("dd/MM/yyyy"));
    }
    if (field.startsWith(QLatin1String("VR")) && number.match(text).hasMatch())
        return QString(text).replace(u'.', u',');
    return text;
}

QString historyOperationText(const QString &operation)
{
    if (operation == u"I")
        return QStringLiteral("Inclusão");
    if (operation == u"E")
        return QStringLiteral("Exclusão");
    return QStringLiteral("Alteração");
}

} // namespace vnd::pricetable
