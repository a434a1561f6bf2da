#include "pricetable/compositionfields.h"

#include "host/services/errors.h"

namespace vnd::pricetable
{

using data::FieldType;

namespace
{

struct CompField {
    const char *name;
    FieldType type;
    int size;
    const char *label;
};

const CompField kCompFields[] = {
    {"NMPRODUTO", FieldType::String, 50, "Nome"},
    {"CDARVPROD", FieldType::String, 20, "Produto"},
    {"CDPRODUTO", FieldType::String, 10, "Produto"},
    {"VRPRECITEM", FieldType::Float, 0, "Preço Consumidor"},
    {"VRPRECITEMCL", FieldType::Float, 0, "Preço Cliente"},
    {"CDPRPAITABPR", FieldType::String, 10, nullptr},
    {"DTINIVGPREC", FieldType::Date, 0, nullptr},
    {"IDIMPPRODROT", FieldType::FixedString, 1, nullptr},
    {"QUANTIDADE", FieldType::Float, 0, nullptr},
    {"CDTABEPREC", FieldType::String, 3, nullptr},
};

const char *const kMoneyFormat = "#,##0.00";

} // namespace

QList<data::FieldDef> itemPrecoCompFieldDefs()
{
    QList<data::FieldDef> defs;
    for (const CompField &f : kCompFields)
        defs.append({QString::fromLatin1(f.name), f.type, f.size});
    return defs;
}

void defineItemPrecoCompFields(data::ClientDataSet &ds, const QString &productCodeMask)
{
    for (const CompField &f : kCompFields) {
        data::Field &field = ds.addField(QString::fromLatin1(f.name), f.type, f.size);
        if (f.label)
            field.displayLabel = QString::fromUtf8(f.label);
    }
    ds.fieldByName(u"CDARVPROD").editMask = productCodeMask;
    for (const char *name : {"VRPRECITEM", "VRPRECITEMCL"}) {
        data::Field &f = ds.fieldByName(QString::fromLatin1(name));
        f.displayFormat = QString::fromLatin1(kMoneyFormat);
        f.editFormat = QString::fromLatin1(kMoneyFormat);
    }
    ds.fieldByName(u"QUANTIDADE").displayFormat = QString::fromLatin1(kMoneyFormat);
}

void installItemPrecoCompReadOnly(data::ClientDataSet &ds)
{
    const auto refuse = [](data::ClientDataSet &) { throw SilentAbort{}; };
    ds.beforeInsert = refuse;
    ds.beforeEdit = refuse;
}

} // namespace vnd::pricetable
