#include "tools/selection/chosenproducts.h"

#include "pricing/listtext.h"

namespace vnd::selection
{

using data::FieldType;

void defineChosenProducts(data::ClientDataSet &ds)
{
    ds.addField(QStringLiteral("IDMARCADO"), FieldType::String, 1);
    data::Field &code = ds.addField(QStringLiteral("CDPRODUTO"), FieldType::String, kCodeWidth);
    code.displayLabel = QStringLiteral("Código");
    code.visible = false;
    ds.addField(QStringLiteral("CDARVPROD"), FieldType::String, 20).displayLabel =
        QStringLiteral("Produto");
    ds.addField(QStringLiteral("NMPRODUTO"), FieldType::String, 50).displayLabel =
        QStringLiteral("Nome");
}

void emptyChosenProducts(data::ClientDataSet &ds)
{
    if (ds.fieldCount() == 0)
        defineChosenProducts(ds);
    data::DataPacket empty;
    for (int i = 0; i < ds.fieldCount(); ++i)
        if (!ds.field(i).isCalculated())
            empty.fields.append(
                {ds.field(i).fieldName(), ds.field(i).dataType(), ds.field(i).size()});
    ds.loadPacket(std::move(empty));
}

void listToDataSet(const QString &list, data::ClientDataSet &ds)
{
    const QStringList codes = listCodes(list);
    if (codes.isEmpty())
        return;
    emptyChosenProducts(ds);
    data::Field &code = ds.fieldByName(u"CDPRODUTO");
    for (const QString &c : codes) {
        ds.append();
        code.setValue(c);
        ds.post();
    }
}

} // namespace vnd::selection
