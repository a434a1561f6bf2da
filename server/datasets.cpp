#include "server/datasets.h"

namespace vnd::server::datasets
{

using data::FieldDef;
using data::FieldType;

namespace
{

FieldDef text(const char *name, int size)
{
    return {QString::fromLatin1(name), FieldType::String, size};
}
FieldDef fixed(const char *name, int size)
{
    return {QString::fromLatin1(name), FieldType::FixedString, size};
}
FieldDef real(const char *name)
{
    return {QString::fromLatin1(name), FieldType::Float, 0};
}
FieldDef date(const char *name)
{
    return {QString::fromLatin1(name), FieldType::Date, 0};
}
FieldDef dateTime(const char *name)
{
    return {QString::fromLatin1(name), FieldType::DateTime, 0};
}

} // namespace

QList<FieldDef> tabGeral()
{
    return {text("CDTABEPREC", 3), text("NMTABEPREC", 20)};
}

QList<FieldDef> vigenciaTab()
{
    return {text("CDTABEPREC", 3), date("DTINIVGPREC"), date("DTFINVGPREC"),
            real("VRREAJUSTE"),    date("DTREAJUSTE"),  text("IDSITVGPREC", 1)};
}

QList<FieldDef> maxDtFinVg()
{
    return {date("DTFINVGPREC")};
}

QList<FieldDef> filTab()
{
    return {text("CDTABEPREC", 3), text("NMFILIAL", 30), text("CDFILIAL", 4)};
}

QList<FieldDef> vdFilTab()
{
    return {text("CDTABEPREC", 3), date("DTINIVGPREC")};
}

QList<FieldDef> itemPreco()
{
    // The period start travels as a date-time in this dataset.
    return {text("NMPRODUTO", 50),    text("CDPRODUTO", 10),    text("CDTABEPREC", 3),
            text("CDPRPAITABPR", 10), real("NRCOMPPROD"),       real("VRPRECITEM"),
            real("VRPRECITEMCMD"),    real("VRPRECITEMDLV"),    real("VRPRECITEMCL"),
            dateTime("DTINIVGPREC"),  text("IDPRECVARIA", 1),   real("VRPRESUGITEM"),
            text("CDARVPROD", 20),    real("VRCUSTITEM"),       real("VRMKUPITEM"),
            text("IDPRODPROMOC", 1),  text("CDBARPRODUTO", 30), text("HRINIVENPROD", 4),
            text("HRFIMVENPROD", 4)};
}

QList<FieldDef> itemPrecoComp()
{
    return {text("NMPRODUTO", 50), text("CDARVPROD", 20),    text("CDPRODUTO", 10),
            real("VRPRECITEM"),    real("VRPRECITEMCL"),     text("CDPRPAITABPR", 10),
            date("DTINIVGPREC"),   fixed("IDIMPPRODROT", 1), real("QUANTIDADE"),
            text("CDTABEPREC", 3)};
}

QList<FieldDef> precoHora()
{
    return {fixed("CDTABEPREC", 3),    dateTime("DTINIVGPREC"),
            fixed("CDPRPAITABPR", 10), fixed("CDPRODUTO", 10),
            fixed("NRDIASEMANPR", 1),  fixed("IDPERVALORPR", 1),
            fixed("IDDESCACREPR", 1),  fixed("HRINIPRECDIA", 4),
            fixed("HRFINPRECDIA", 4),  real("VRPRECODIA"),
            dateTime("DTINIVALPREC"),  dateTime("DTFINVALPREC"),
            text("CDTIPOCONSPD", 2),   text("IDVISUACUPOM", 1),
            text("NMTIPOCONS", 20),    real("PRECO"),
            real("PRECOCMD"),          real("PRECODLV"),
            text("IDTPMODCMD", 1),     text("IDTPMODDLV", 1),
            text("IDTPMODGERAL", 1),   real("VRPRECODIACMD"),
            real("VRPRECODIADLV")};
}

QList<FieldDef> expProduto()
{
    return {fixed("IDMARCADO", 1), text("CDARVPROD", 20), text("NMPRODUTO", 50),
            text("CDPRODUTO", 10)};
}

QList<FieldDef> autItemPreco()
{
    return {fixed("IDMARCADO", 1), text("CDPRODUTO", 10), text("CDARVPROD", 20),
            text("NMPRODUTO", 50)};
}

QList<FieldDef> prodValid()
{
    return {text("CDPRODUTO", 10), text("CDARVPROD", 20), text("NMPRODUTO", 50)};
}

} // namespace vnd::server::datasets
