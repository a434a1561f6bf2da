// The window's datasets: their fields, in the order the server sends them.

#include "host/db/adoibquery.h"
#include "pricetable/compositionfields.h"
#include "pricetable/dayhourfields.h"
#include "pricetable/frmtabgeral.h"
#include "pricetable/gridformat.h"
#include "pricetable/itempricefields.h"

#include <QLocale>

namespace vnd::pricetable
{

using data::ClientDataSet;
using data::FieldType;

namespace
{

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

// Shortest form with the decimal comma, for editing a value whose display is formatted.
QString formatDecimalPlain(double value)
{
    QLocale locale(QLocale::Portuguese, QLocale::Brazil);
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'g', QLocale::FloatingPointShortest);
}

// The fields keep their "#,##0.00" formats as properties; the text hooks are what shows
// them. A field that already has a get-text hook keeps it.
void applyMoneyFormats(ClientDataSet &ds)
{
    const QString money = QStringLiteral("#,##0.00");
    for (int i = 0; i < ds.fieldCount(); ++i) {
        data::Field &f = ds.field(i);
        if (f.onGetText || f.displayFormat != money)
            continue;
        const bool editToo = f.editFormat == money;
        f.onGetText = [editToo](const data::Field &field, bool display) {
            if (field.isNull() || (!display && !editToo))
                return field.isNull() ? QString() : formatDecimalPlain(field.asFloat());
            return formatThousands2(field.asFloat());
        };
    }
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
    for (ClientDataSet *ds : {cdsItemPrecoComp, cdsPrecoHora})
        applyMoneyFormats(*ds);

    adqTipoCons->SQL = {QStringLiteral("SELECT CDTIPOCONS, NMTIPOCONS"),
                        QStringLiteral("FROM TIPOCONS"), QStringLiteral("WHERE"),
                        QStringLiteral("CDTIPOCONS = :P_CDTIPOCONS OR :P_TCDTIPOCONS = 'T'"),
                        QStringLiteral("ORDER BY CDTIPOCONS")};

    qryFilial->SQL = {QStringLiteral("SELECT CDFILIAL, NMFILIAL"), QStringLiteral("FROM FILIAL"),
                      QStringLiteral("WHERE (CDFILIAL = :P_CDFILIAL OR :P_TCDFILIAL = 'T')"),
                      QStringLiteral("ORDER BY CDFILIAL")};
    qryFilial->DisplayLabels = {{QStringLiteral("CDFILIAL"), QStringLiteral("Código")},
                                {QStringLiteral("NMFILIAL"), QStringLiteral("Nome")}};
    adqTipoCons->DisplayLabels = {{QStringLiteral("CDTIPOCONS"), QStringLiteral("Código")},
                                  {QStringLiteral("NMTIPOCONS"), QStringLiteral("Nome")}};
}

} // namespace vnd::pricetable
