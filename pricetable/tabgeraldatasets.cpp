// The window's datasets: their fields, in the order the server sends them.

#include "host/db/adoibquery.h"
#include "pricetable/compositionfields.h"
#include "pricetable/dayhourfields.h"
#include "pricetable/frmtabgeral.h"
#include "pricetable/itempricefields.h"

namespace vnd::pricetable {

using data::ClientDataSet;
using data::FieldType;

namespace {

data::Field &text(ClientDataSet &ds, const char *name, int size, const char *label = nullptr)
{
    data::Field &f = ds.addField(QString::fromLatin1(name), FieldType::String, size);
    if (label)
        f.displayLabel = QString::fromUtf8(label);
    return f;
}

data::Field &date(ClientDataSet &ds, const char *name, const char *label = nullptr)
{
    data::Field &f = ds.addField(QString::fromLatin1(name), FieldType::Date);
    if (label)
        f.displayLabel = QString::fromUtf8(label);
    return f;
}

} // namespace

void TfrmTabGeral::defineDataSets()
{
    text(*cdsTabGeral, "CDTABEPREC", 3, "Código").editMask = QStringLiteral("!999;0; ");
    text(*cdsTabGeral, "NMTABEPREC", 20, "Nome");
    cdsTabGeral->setIndexFieldNames(QStringLiteral("CDTABEPREC"));

    text(*cdsVigenciaTab, "CDTABEPREC", 3).visible = false;
    date(*cdsVigenciaTab, "DTINIVGPREC", "Início Vigência").editMask =
        QStringLiteral("!99/99/0000;1; ");
    date(*cdsVigenciaTab, "DTFINVGPREC", "Fim Vigência").editMask =
        QStringLiteral("!99/99/0000;1; ");
    cdsVigenciaTab->addField(QStringLiteral("VRREAJUSTE"), FieldType::Float).visible = false;
    date(*cdsVigenciaTab, "DTREAJUSTE").visible = false;
    cdsVigenciaTab->addCalculatedField(QStringLiteral("Situacao"), FieldType::String, 10)
        .displayLabel = QStringLiteral("Situacao");
    text(*cdsVigenciaTab, "IDSITVGPREC", 1, "Status");

    date(*cdsMaxDtFinVg, "DTFINVGPREC");

    text(*cdsFilTab, "CDTABEPREC", 3).visible = false;
    text(*cdsFilTab, "NMFILIAL", 30, "Nome");
    text(*cdsFilTab, "CDFILIAL", 4, "Código");

    text(*cdsVdFilTab, "CDTABEPREC", 3);
    date(*cdsVdFilTab, "DTINIVGPREC", "Início Vigência").editMask =
        QStringLiteral("!99/99/0000;1; ");

    defineItemPrecoFields(*cdsItemPreco);
    defineItemPrecoCompFields(*cdsItemPrecoComp);
    definePrecoHoraFields(*cdsPrecoHora);

    qryFilial->SQL = {QStringLiteral("SELECT CDFILIAL, NMFILIAL"), QStringLiteral("FROM FILIAL"),
                      QStringLiteral("WHERE (CDFILIAL = :P_CDFILIAL OR :P_TCDFILIAL = 'T')"),
                      QStringLiteral("ORDER BY CDFILIAL")};
}

} // namespace vnd::pricetable
