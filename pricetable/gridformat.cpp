#include "pricetable/gridformat.h"

#include "pricetable/rulehelpers.h"
#include "pricing/decimal.h"
#include "pricing/messagetable.h"

#include <QLocale>

#include <cmath>

namespace vnd::pricetable
{

using data::Field;

namespace
{

using pricing::Decimal;

QString formatTwoDecimals(double value, bool groupThousands)
{
    if (const auto d = Decimal::fromDouble(value))
        return d->toText(2, u',', groupThousands ? QChar(u'.') : QChar());
    // Beyond the decimal's range a double has no cents to round (its spacing is an eighth).
    QLocale locale(QLocale::Portuguese, QLocale::Brazil);
    if (!groupThousands)
        locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', 2);
}

bool inList(const QString &name, std::initializer_list<const char *> names)
{
    for (const char *n : names)
        if (name.compare(QLatin1String(n), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

QString formatDecimal2(double value)
{
    return formatTwoDecimals(value, false);
}

QString formatThousands2(double value)
{
    return formatTwoDecimals(value, true);
}

ItemCellColours itemCellColours(double price, double sub, double calc, bool selected)
{
    const bool above = price > calc && calc != 0;
    bool calcOverTotal = false;
    try {
        const Decimal total = Decimal::clampedFromDouble(price) + Decimal::clampedFromDouble(sub);
        calcOverTotal = RoundDec(Decimal::clampedFromDouble(calc), 2) > RoundDec(total, 2);
    } catch (const pricing::DecimalError &) {
        // A total beyond the decimal's range is above any calculated price.
    }
    // The first pass decides the background, the second the final text colour.
    const bool firstPass = calcOverTotal || above;
    ItemCellColours c;
    if (above)
        c.text = CellText::Blue;
    else if (calcOverTotal || price < calc)
        c.text = CellText::Red;
    else
        c.text = selected ? CellText::Selected : CellText::Normal;
    c.background = selected && !firstPass ? CellBackground::Selected : CellBackground::Cell;
    return c;
}

bool isItemMoneyField(const QString &fieldName)
{
    return inList(fieldName, {"VRPRECITEM", "VRPRECITEMDLV", "VRPRECITEMCMD", "VRPRECITEMCL",
                              "VRPRESUGITEM", "VRCUSTITEM", "VRMKUPITEM"});
}

bool isItemFlagField(const QString &fieldName)
{
    return inList(fieldName, {"IDPRECVARIA", "IDPRODPROMOC"});
}

ItemCellDisplay itemCellText(const Field &field,
                             const std::function<QString(const QString &)> &formatProductCode)
{
    const QString &name = field.fieldName();
    if (!field.isNull()) {
        if (inList(name, {"CDARVPROD"}) && !field.asString().isEmpty())
            return {formatProductCode ? formatProductCode(field.asString()) : field.asString(),
                    false};
        if (isItemMoneyField(name))
            return {formatDecimal2(field.asFloat()), true};
    }
    return {field.text(), false};
}

bool showsCompositionIcon(const Field &nrCompProd)
{
    return std::llround(nrCompProd.asFloat()) > 0;
}

bool itemColumnEditable(const QString &fieldName)
{
    return !inList(fieldName, {"NRCOMPPROD"});
}

bool itemKeyDownSwallowed(int qtKey, Qt::KeyboardModifiers modifiers)
{
    return qtKey == Qt::Key_Delete && modifiers.testFlag(Qt::ControlModifier);
}

QChar itemKeyPress(QChar typed, const QString &selectedField, data::DataSetState state)
{
    if (state != data::DataSetState::Insert && inList(selectedField, {"CDARVPROD"}))
        return {};
    // Only plain letters: an accented letter stays as typed.
    if (typed >= QLatin1Char('a') && typed <= QLatin1Char('z'))
        typed = QChar(typed.unicode() - 'a' + 'A');
    if (isItemFlagField(selectedField))
        return {};
    return typed;
}

QString flagText(const QString &stored, const MessageTable &messages)
{
    if (stored == QLatin1String("S"))
        return messages.msg(QStringLiteral("Sim"));
    if (stored == QLatin1String("N"))
        return messages.msg(QStringLiteral("Não"));
    return {};
}

std::optional<QString> flagCode(const QString &text, const MessageTable &messages)
{
    if (text == messages.msg(QStringLiteral("Sim")))
        return QStringLiteral("S");
    if (text == messages.msg(QStringLiteral("Não")))
        return QStringLiteral("N");
    return std::nullopt;
}

QString horaVendaText(const QString &stored)
{
    return timeEditText(stored, QString());
}

void installItemPrecoTextHooks(data::ClientDataSet &ds, const MessageTable &messages)
{
    const MessageTable *m = &messages;
    for (const char *name : {"IDPRECVARIA", "IDPRODPROMOC"}) {
        Field &f = ds.fieldByName(QString::fromLatin1(name));
        f.onGetText = [m](const Field &field, bool) { return flagText(field.asString(), *m); };
        f.onSetText = [m](Field &field, const QString &text) {
            if (const auto code = flagCode(text, *m))
                field.setValue(*code);
        };
    }
    for (const char *name : {"HRINIVENPROD", "HRFIMVENPROD"})
        ds.fieldByName(QString::fromLatin1(name)).onGetText = [](const Field &field, bool) {
            return horaVendaText(field.asString());
        };
}

} // namespace vnd::pricetable
