#include "pricetable/dayhourfields.h"

#include "pricing/messagetable.h"
#include "pricetable/dayhourcodes.h"
#include "pricetable/gridformat.h"
#include "pricetable/rulehelpers.h"

namespace vnd::pricetable
{

using data::Field;
using data::FieldType;

namespace
{

struct RuleField {
    const char *name;
    FieldType type;
    int size;
    const char *label;
};

const RuleField kRuleFields[] = {
    {"CDTABEPREC", FieldType::FixedString, 3, nullptr},
    {"DTINIVGPREC", FieldType::DateTime, 0, nullptr},
    {"CDPRPAITABPR", FieldType::FixedString, 10, nullptr},
    {"CDPRODUTO", FieldType::FixedString, 10, nullptr},
    {"NRDIASEMANPR", FieldType::FixedString, 1, "Dia"},
    {"IDPERVALORPR", FieldType::FixedString, 1, "Percentual/Valor"},
    {"IDDESCACREPR", FieldType::FixedString, 1, "Desconto/Acréscimo"},
    {"HRINIPRECDIA", FieldType::FixedString, 4, "Hora Inicial"},
    {"HRFINPRECDIA", FieldType::FixedString, 4, "Hora Final"},
    {"VRPRECODIA", FieldType::Float, 0, "Valor"},
    {"DTINIVALPREC", FieldType::DateTime, 0, "Início Validade"},
    {"DTFINVALPREC", FieldType::DateTime, 0, "Fim Validade"},
    {"CDTIPOCONSPD", FieldType::String, 2, "Tipo Consumidor"},
    {"IDVISUACUPOM", FieldType::String, 1, "Visualiza"},
    {"NMTIPOCONS", FieldType::String, 20, nullptr},
    {"PRECO", FieldType::Float, 0, "Preço"},
    {"PRECOCMD", FieldType::Float, 0, nullptr},
    {"PRECODLV", FieldType::Float, 0, nullptr},
    {"IDTPMODCMD", FieldType::String, 1, "Mod Comanda"},
    {"IDTPMODDLV", FieldType::String, 1, "Mod Delivery"},
    {"IDTPMODGERAL", FieldType::String, 1, "Outras Mod."},
    {"VRPRECODIACMD", FieldType::Float, 0, "Preço Cmd"},
    {"VRPRECODIADLV", FieldType::Float, 0, "Preço Dlv."},
};

} // namespace

QList<data::FieldDef> precoHoraFieldDefs()
{
    QList<data::FieldDef> defs;
    for (const RuleField &f : kRuleFields)
        defs.append({QString::fromLatin1(f.name), f.type, f.size});
    return defs;
}

void definePrecoHoraFields(data::ClientDataSet &ds)
{
    for (const RuleField &f : kRuleFields) {
        Field &field = ds.addField(QString::fromLatin1(f.name), f.type, f.size);
        if (f.label)
            field.displayLabel = QString::fromUtf8(f.label);
    }
    for (const char *name : {"HRINIPRECDIA", "HRFINPRECDIA"}) {
        Field &f = ds.fieldByName(QString::fromLatin1(name));
        f.editMask = QString::fromLatin1(kHoraDiaMask);
        f.displayWidth = 4;
    }
    Field &valor = ds.fieldByName(u"VRPRECODIA");
    valor.displayFormat = QStringLiteral("#,##0.00");
    valor.editFormat = QStringLiteral("#,##0.00");
}

QString horaDiaText(const QString &stored)
{
    return timeEditText(stored, QStringLiteral(":"));
}

QString precoHoraPriceText(const Field &price)
{
    if (price.dataSet() && price.dataSet()->isEmpty())
        return {};
    return formatDecimal2(price.asFloat());
}

void installPrecoHoraTextHooks(data::ClientDataSet &ds, const MessageTable &messages)
{
    const MessageTable *m = &messages;
    for (const char *name : {"NRDIASEMANPR", "IDPERVALORPR", "IDDESCACREPR", "IDVISUACUPOM"}) {
        const CodeTable table = codeTableOf(QString::fromLatin1(name));
        Field &f = ds.fieldByName(QString::fromLatin1(name));
        f.onGetText = [m, table](const Field &field, bool) {
            return codeText(table, field.asString(), *m);
        };
        f.onSetText = [m, table](Field &field, const QString &text) {
            if (const auto code = codeOfText(table, text, *m))
                field.setValue(*code);
        };
    }
    for (const char *name : {"HRINIPRECDIA", "HRFINPRECDIA"})
        ds.fieldByName(QString::fromLatin1(name)).onGetText = [](const Field &f, bool) {
            return horaDiaText(f.asString());
        };
    for (const char *name : {"PRECO", "VRPRECODIACMD", "VRPRECODIADLV"})
        ds.fieldByName(QString::fromLatin1(name)).onGetText = [](const Field &f, bool) {
            return precoHoraPriceText(f);
        };
}

} // namespace vnd::pricetable
