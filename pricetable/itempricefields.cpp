#include "pricetable/itempricefields.h"

namespace vnd::pricetable
{

using data::FieldDef;
using data::FieldType;

namespace
{

struct ItemField {
    const char *name;
    FieldType type;
    int size;
    const char *label; // nullptr: the field name
};

// The period start travels as a date-time in this dataset.
const ItemField kItemFields[] = {
    {"NMPRODUTO", FieldType::String, 50, "Nome"},
    {"CDPRODUTO", FieldType::String, 10, "Produto"},
    {"CDTABEPREC", FieldType::String, 3, nullptr},
    {"CDPRPAITABPR", FieldType::String, 10, nullptr},
    {"NRCOMPPROD", FieldType::Float, 0, nullptr},
    {"VRPRECITEM", FieldType::Float, 0, "Preço"},
    {"VRPRECITEMCMD", FieldType::Float, 0, "Pr. Comanda"},
    {"VRPRECITEMDLV", FieldType::Float, 0, "Pr. Delivery"},
    {"VRPRECITEMCL", FieldType::Float, 0, "Preço Subs."},
    {"DTINIVGPREC", FieldType::DateTime, 0, nullptr},
    {"IDPRECVARIA", FieldType::String, 1, "Pr. Variável"},
    {"VRPRESUGITEM", FieldType::Float, 0, "Pr. Sugerido"},
    {"CDARVPROD", FieldType::String, 20, "Produto"},
    {"VRCUSTITEM", FieldType::Float, 0, "Pr. Calculado"},
    {"VRMKUPITEM", FieldType::Float, 0, "Mark Up"},
    {"IDPRODPROMOC", FieldType::String, 1, "Promoção"},
    {"CDBARPRODUTO", FieldType::String, 30, "Código de Barra"},
    {"HRINIVENPROD", FieldType::String, 4, nullptr},
    {"HRFIMVENPROD", FieldType::String, 4, nullptr},
};

} // namespace

QList<FieldDef> itemPrecoFieldDefs()
{
    QList<FieldDef> defs;
    for (const ItemField &f : kItemFields)
        defs.append({QString::fromLatin1(f.name), f.type, f.size});
    return defs;
}

void defineItemPrecoFields(data::ClientDataSet &cdsItemPreco, const QString &productCodeMask)
{
    for (const ItemField &f : kItemFields) {
        data::Field &field = cdsItemPreco.addField(QString::fromLatin1(f.name), f.type, f.size);
        if (f.label)
            field.displayLabel = QString::fromUtf8(f.label);
    }
    cdsItemPreco.fieldByName(u"CDARVPROD").editMask = productCodeMask;
    cdsItemPreco.fieldByName(u"HRINIVENPROD").editMask = QString::fromLatin1(kHoraVendaMask);
    cdsItemPreco.fieldByName(u"HRFIMVENPROD").editMask = QString::fromLatin1(kHoraVendaMask);
    cdsItemPreco.fieldByName(u"VRMKUPITEM").readOnly = true;
}

} // namespace vnd::pricetable
