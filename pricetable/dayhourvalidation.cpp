#include "pricetable/dayhourvalidation.h"

#include "host/services/codes.h"
#include "pricing/messagetable.h"
#include "pricetable/dayhourcalc.h"
#include "pricetable/dayhourcodes.h"
#include "pricetable/dayhourfields.h"
#include "pricetable/rulehelpers.h"
#include "pricing/dayhourrules.h"

namespace vnd::pricetable
{

using data::ClientDataSet;
using data::DataSetState;
using data::Field;

namespace
{

// Every refusal points at the value, the column the user types into.
void checkModalidade(ClientDataSet &ds, const char16_t *valueField, const char16_t *priceField,
                     pricing::Decimal base, const MessageTable &m)
{
    Field &value = ds.fieldByName(valueField);
    if (const char *fault =
            pricing::modalityFault(decimalOf(value), decimalOf(ds.fieldByName(priceField)), base))
        refuse(value, m, fault);
}

void checkGeral(ClientDataSet &ds, const CurrentItem &item, const MessageTable &m)
{
    checkModalidade(ds, u"VRPRECODIA", u"PRECO", basePrice(item, Modalidade::Geral), m);
}

} // namespace

void checkHoraDia(Field &hora, const MessageTable &messages)
{
    checkStoredTime(hora, horaDiaText(hora.asString()), messages);
}

void checkValidadeInicio(ClientDataSet &ds, const CurrentPeriod &period, bool full,
                         const MessageTable &m)
{
    if (!isEditing(ds))
        return;
    Field &ini = ds.fieldByName(u"DTINIVALPREC");
    Field &fin = ds.fieldByName(u"DTFINVALPREC");
    if (isEmptyField(ini)) {
        if (full && !isEmptyField(fin))
            refuse(ini, m, "DtIniInf");
        setDate(ini, period.dtIniVgPrec);
        setDate(fin, period.dtFinVgPrec);
    } else if (full && period.dtIniVgPrec > dateOf(ini)) {
        refuse(ini, m, "DtIniValDevDt");
    }
}

void checkValidadeFim(ClientDataSet &ds, const CurrentPeriod &period, bool full,
                      const MessageTable &m)
{
    if (!isEditing(ds) || !full)
        return;
    Field &ini = ds.fieldByName(u"DTINIVALPREC");
    Field &fin = ds.fieldByName(u"DTFINVALPREC");
    const bool iniEmpty = isEmptyField(ini);
    const bool finEmpty = isEmptyField(fin);
    if (finEmpty && !iniEmpty)
        refuse(fin, m, "DtFinInf");
    if (iniEmpty || finEmpty)
        return;
    if (dateOf(ini) > dateOf(fin))
        refuse(fin, m, "DtFinValDev");
    if (dateOf(fin) > period.dtFinVgPrec)
        refuse(fin, m, "DtFinValDevDt");
}

void checkTipoCons(ClientDataSet &ds, const TipoConsLookup &lookup, const MessageTable &m)
{
    Field &code = ds.fieldByName(u"CDTIPOCONSPD");
    Field &name = ds.fieldByName(u"NMTIPOCONS");
    const QString todos = QString::fromLatin1(kTodosTipoCons);
    const QString normalised = Ajusta(code.asString(), 2);
    code.setValue(normalised.isEmpty() ? todos : normalised);
    // "T" needs no lookup: it is no row of TIPOCONS.
    if (normalised.isEmpty() || normalised == todos) {
        name.setValue(m.msg(QStringLiteral("Todos")));
        return;
    }
    std::optional<QString> found;
    try {
        if (lookup)
            found = lookup(normalised);
    } catch (...) {
        code.focusControl();
        throw;
    }
    if (!found)
        refuse(code, m, "TpConsNCad");
    name.setValue(*found);
}

void precoHoraBeforePost(ClientDataSet &ds, const PrecoHoraContext &ctx)
{
    const MessageTable &m = ctx.messages;
    Field &dia = ds.fieldByName(u"NRDIASEMANPR");
    Field &perValor = ds.fieldByName(u"IDPERVALORPR");
    Field &descAcre = ds.fieldByName(u"IDDESCACREPR");
    Field &hrIni = ds.fieldByName(u"HRINIPRECDIA");
    Field &hrFin = ds.fieldByName(u"HRFINPRECDIA");

    if (isEmptyField(dia))
        refuse(dia, m, "DIAINF");
    if (isEmptyField(perValor))
        refuse(perValor, m, "PERVALINF");
    if (isEmptyField(descAcre))
        refuse(descAcre, m, "DESACRINF");
    checkHoraDia(hrIni, m);
    checkHoraDia(hrFin, m);
    if (const char *fault = pricing::timeOrderFault(hrIni.asString(), hrFin.asString()))
        refuse(hrIni, m, fault);

    calculaPrecoItemDia(ds, ctx.item, ctx.selectedField, m);

    // The general checks bind even with the general modality off; they only move after the
    // other modalities' checks then.
    const bool geral = isFlagOn(ds, u"IDTPMODGERAL");
    if (geral)
        checkGeral(ds, ctx.item, m);
    if (isFlagOn(ds, u"IDTPMODDLV")) {
        if (ctx.item.dlvEmpty)
            refuse(m, "PRECDLV_ZERO");
        checkModalidade(ds, u"VRPRECODIADLV", u"PRECODLV",
                        basePrice(ctx.item, Modalidade::Delivery), m);
    }
    if (isFlagOn(ds, u"IDTPMODCMD")) {
        if (ctx.item.cmdEmpty)
            refuse(m, "PRECCMD_ZERO");
        checkModalidade(ds, u"VRPRECODIACMD", u"PRECOCMD", basePrice(ctx.item, Modalidade::Comanda),
                        m);
    }
    if (!geral)
        checkGeral(ds, ctx.item, m);

    Field &visualiza = ds.fieldByName(u"IDVISUACUPOM");
    if (isEmptyField(visualiza))
        visualiza.setValue(QStringLiteral("N"));

    ds.fieldByName(u"CDTABEPREC").setValue(ctx.period.cdTabePrec);
    setDate(ds.fieldByName(u"DTINIVGPREC"), ctx.period.dtIniVgPrec);
    ds.fieldByName(u"CDPRODUTO").setValue(ctx.item.cdProduto);
    ds.fieldByName(u"CDPRPAITABPR").setValue(ctx.item.cdPrPaiTabPr);

    checkValidadeInicio(ds, ctx.period, true, m);
    checkValidadeFim(ds, ctx.period, true, m);
    checkTipoCons(ds, ctx.lookupTipoCons, m);

    // An unchanged identity of an edited rule cannot collide with another rule. A new rule is
    // always checked, even if a stale key happened to match it.
    const bool unchanged =
        ds.state() == DataSetState::Edit && precoDiaChave(ds) == ctx.stChavePrecoDia;
    if (!unchanged && ctx.existsDuplicate && ctx.existsDuplicate(modalidadeKeyOf(ds)))
        refuse(m, "PRECDIF_JA");
}

} // namespace vnd::pricetable
