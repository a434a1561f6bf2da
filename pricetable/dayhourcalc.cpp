#include "pricetable/dayhourcalc.h"

#include "host/services/codes.h"
#include "host/services/messagetable.h"
#include "pricetable/rulehelpers.h"

#include <cmath>

namespace vnd::pricetable
{

using data::ClientDataSet;
using data::DataSetState;
using data::Field;

namespace
{

// An overflow must not reach the record: 0 is refused by the post's own value checks.
void store(Field &f, double value)
{
    f.setValue(std::isfinite(value) ? value : 0.0);
}

double priceFromValue(double value, double base, bool fixedAmount, bool increase)
{
    if (fixedAmount)
        return increase ? value + base : base - value;
    const double amount = Trunc2(value / 100 * base);
    return Trunc2(increase ? amount + base : base - amount);
}

void derivePrice(ClientDataSet &ds, const char16_t *valueField, const char16_t *priceField,
                 double base, bool fixedAmount, bool increase)
{
    store(ds.fieldByName(priceField),
          priceFromValue(ds.fieldByName(valueField).asFloat(), base, fixedAmount, increase));
}

// The general value from a typed price.
void deriveGeneralValue(ClientDataSet &ds, double base, bool fixedAmount, bool increase,
                        const MessageTable &messages)
{
    Field &preco = ds.fieldByName(u"PRECO");
    Field &valor = ds.fieldByName(u"VRPRECODIA");
    const double price = preco.asFloat();
    if (fixedAmount) {
        store(valor, increase ? price - base : base - price);
        return;
    }
    if (!increase && price > base)
        refuse(preco, messages, "VRPRODDESC_MAIOR");
    if (base <= 0) {
        store(valor, 0);
        return;
    }
    const double percent = Trunc2(price * 100 / base) - 100;
    // An increase keeps its sign: a price below the base gives a value the post refuses,
    // instead of a rule that raises the price while the grid shows it lowered.
    store(valor, increase ? percent : std::abs(percent));
}

} // namespace

double basePrice(const CurrentItem &item, Modalidade modalidade)
{
    switch (modalidade) {
    case Modalidade::Geral:
        return item.vrPrecItem + item.vrPrecItemCl;
    case Modalidade::Delivery:
        return item.vrPrecItemDlv + item.vrPrecItemCl;
    case Modalidade::Comanda:
        return item.vrPrecItemCmd + item.vrPrecItemCl;
    }
    return 0;
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
    const bool fixedAmount = perValor.asString() == QLatin1String("V");
    const bool increase = descAcre.asString() == QLatin1String("A");

    if (isFlagOn(ds, u"IDTPMODGERAL")) {
        const double base = basePrice(item, Modalidade::Geral);
        if (selectedField.compare(QLatin1String("PRECO"), Qt::CaseInsensitive) == 0)
            deriveGeneralValue(ds, base, fixedAmount, increase, messages);
        else if (selectedField.compare(QLatin1String("VRPRECODIA"), Qt::CaseInsensitive) == 0)
            derivePrice(ds, u"VRPRECODIA", u"PRECO", base, fixedAmount, increase);
    }
    if (isFlagOn(ds, u"IDTPMODDLV"))
        derivePrice(ds, u"VRPRECODIADLV", u"PRECODLV", basePrice(item, Modalidade::Delivery),
                    fixedAmount, increase);
    if (isFlagOn(ds, u"IDTPMODCMD"))
        derivePrice(ds, u"VRPRECODIACMD", u"PRECOCMD", basePrice(item, Modalidade::Comanda),
                    fixedAmount, increase);
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
