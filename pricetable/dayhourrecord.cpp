#include "pricetable/dayhourrecord.h"

#include "pricetable/rulehelpers.h"

namespace vnd::pricetable
{

using data::ClientDataSet;
using data::Field;

CurrentItem currentItemOf(const ClientDataSet &ds)
{
    CurrentItem item;
    if (!ds.isActive() || ds.isEmpty())
        return item;
    item.cdProduto = ds.fieldByName(u"CDPRODUTO").asString();
    item.cdPrPaiTabPr = ds.fieldByName(u"CDPRPAITABPR").asString();
    const Field &preco = ds.fieldByName(u"VRPRECITEM");
    const Field &dlv = ds.fieldByName(u"VRPRECITEMDLV");
    const Field &cmd = ds.fieldByName(u"VRPRECITEMCMD");
    item.vrPrecItem = decimalOf(preco);
    item.vrPrecItemDlv = decimalOf(dlv);
    item.vrPrecItemCmd = decimalOf(cmd);
    item.vrPrecItemCl = decimalOf(ds.fieldByName(u"VRPRECITEMCL"));
    item.precItemEmpty = isEmptyField(preco);
    item.dlvEmpty = isEmptyField(dlv);
    item.cmdEmpty = isEmptyField(cmd);
    return item;
}

void precoHoraBeforeInsert(const CurrentItem &item, const MessageTable &messages)
{
    if (item.precItemEmpty)
        refuse(messages, "PRECNCAD");
}

void precoHoraNewRecord(ClientDataSet &ds)
{
    ds.fieldByName(u"IDTPMODGERAL").setValue(QStringLiteral("S"));
    ds.fieldByName(u"IDTPMODDLV").setValue(QStringLiteral("N"));
    ds.fieldByName(u"IDTPMODCMD").setValue(QStringLiteral("N"));
}

ModalidadeKey modalidadeKeyOf(const ClientDataSet &ds)
{
    const auto text = [&ds](const char16_t *name) { return ds.fieldByName(name).asString(); };
    return {text(u"CDTABEPREC"),
            dateOf(ds.fieldByName(u"DTINIVGPREC")),
            text(u"CDPRODUTO"),
            text(u"CDPRPAITABPR"),
            text(u"CDTIPOCONSPD"),
            text(u"NRDIASEMANPR"),
            text(u"HRINIPRECDIA"),
            text(u"HRFINPRECDIA"),
            dateOf(ds.fieldByName(u"DTINIVALPREC"))};
}

QString precoDiaChave(const ClientDataSet &ds)
{
    const ModalidadeKey k = modalidadeKeyOf(ds);
    return k.cdTabePrec + shortDateText(k.dtIniVgPrec) + k.cdProduto + k.cdPrPaiTabPr +
           k.cdTipoConsPd + k.nrDiaSemanPr + k.hrIniPrecDia + k.hrFinPrecDia +
           shortDateText(k.dtIniValPrec);
}

} // namespace vnd::pricetable
