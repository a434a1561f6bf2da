#include "pricetable/dayhourcalc.h"

#include "pricing/messagetable.h"
#include "pricetable/rulehelpers.h"
#include "pricing/dayhourprice.h"
#include "pricing/dayhourrules.h"

namespace vnd::pricetable
{

using data::ClientDataSet;
using data::DataSetState;
using data::Field;

namespace
{

using pricing::DayHourTerms;
using pricing::Decimal;

// A result that cannot be represented must not reach the record: 0 is refused by the post's
// own value checks.
template <typename Compute> void store(Field &f, Compute compute)
{
    try {
        f.setValue(compute().toDouble());
    } catch (const pricing::DecimalError &) {
        f.setValue(0.0);
    }
}

void derivePrice(ClientDataSet &ds, const char16_t *valueField, const char16_t *priceField,
                 Decimal base, DayHourTerms terms)
{
    const Decimal value = decimalOf(ds.fieldByName(valueField));
    store(ds.fieldByName(priceField), [&] { return pricing::priceFromValue(terms, value, base); });
}

// The general value from a typed price.
void deriveGeneralValue(ClientDataSet &ds, Decimal base, DayHourTerms terms,
                        const MessageTable &messages)
{
    Field &preco = ds.fieldByName(u"PRECO");
    const Decimal price = decimalOf(preco);
    if (const char *fault = pricing::typedPriceFault(terms, price, base))
        refuse(preco, messages, fault);
    store(ds.fieldByName(u"VRPRECODIA"),
          [&] { return pricing::valueFromPrice(terms, price, base); });
}

} // namespace

Decimal basePrice(const CurrentItem &item, Modalidade modalidade)
{
    const Decimal price = modalidade == Modalidade::Geral      ? item.vrPrecItem
                          : modalidade == Modalidade::Delivery ? item.vrPrecItemDlv
                                                               : item.vrPrecItemCmd;
    try {
        return price + item.vrPrecItemCl;
    } catch (const pricing::DecimalError &) {
        return price.isNegative() ? Decimal::min() : Decimal::max();
    }
}

void calculaPrecoItemDia(ClientDataSet &ds, const CurrentItem &item, const QString &selectedField,
                         const MessageTable &messages)
{
    if (!isEditing(ds))
        return;
    Field &perValor = ds.fieldByName(u"IDPERVALORPR");
    Field &descAcre = ds.fieldByName(u"IDDESCACREPR");
    if (isEmptyField(perValor))
        perValor.setValue(QStringLiteral("V"));
    if (isEmptyField(descAcre))
        descAcre.setValue(QStringLiteral("A"));
    const DayHourTerms terms = DayHourTerms::fromCodes(perValor.asString(), descAcre.asString());

    if (isFlagOn(ds, u"IDTPMODGERAL")) {
        const Decimal base = basePrice(item, Modalidade::Geral);
        if (selectedField.compare(QLatin1String("PRECO"), Qt::CaseInsensitive) == 0)
            deriveGeneralValue(ds, base, terms, messages);
        else if (selectedField.compare(QLatin1String("VRPRECODIA"), Qt::CaseInsensitive) == 0)
            derivePrice(ds, u"VRPRECODIA", u"PRECO", base, terms);
    }
    if (isFlagOn(ds, u"IDTPMODDLV"))
        derivePrice(ds, u"VRPRECODIADLV", u"PRECODLV", basePrice(item, Modalidade::Delivery),
                    terms);
    if (isFlagOn(ds, u"IDTPMODCMD"))
        derivePrice(ds, u"VRPRECODIACMD", u"PRECOCMD", basePrice(item, Modalidade::Comanda), terms);
}

bool isModalidadeField(const QString &fieldName)
{
    for (const char *name : {"IDTPMODGERAL", "IDTPMODDLV", "IDTPMODCMD"})
        if (fieldName.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool alteraCheckModalidade(ClientDataSet &ds, const QString &selectedField)
{
    if (!isModalidadeField(selectedField))
        return false;
    if (!isEditing(ds))
        ds.edit();
    if (!isEditing(ds))
        return false; // nothing to edit (no record)
    Field &flag = ds.fieldByName(selectedField);
    flag.setValue(flag.asString() == QLatin1String("N") ? QStringLiteral("S")
                                                        : QStringLiteral("N"));
    return true;
}

} // namespace vnd::pricetable
