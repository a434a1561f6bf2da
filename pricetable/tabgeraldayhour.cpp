// Day/hour prices of the current item (cdsPrecoHora): record events, saving, and what the
// rule checks read outside the record (consumer types, the duplicate check).

#include "pricetable/frmtabgeral.h"

#include "host/db/adoibquery.h"
#include "host/services/ui.h"
#include "host/widgets/busyanimation.h"
#include "host/widgets/checkdatetime.h"
#include "host/widgets/dbgrid.h"
#include "pricetable/dayhourfields.h"
#include "pricetable/dayhourrecord.h"
#include "pricetable/tabgeralstate.h"

namespace vnd::pricetable
{

using data::ClientDataSet;
using widgets::BusyAnimation;

void TfrmTabGeral::bindPrecoHoraHooks()
{
    ClientDataSet &rules = *cdsPrecoHora;
    installPrecoHoraTextHooks(rules, msgPadrao);
    for (const char16_t *name : {u"DTINIVALPREC", u"DTFINVALPREC"})
        rules.fieldByName(name).onSetText = [](data::Field &f, const QString &text) {
            widgets::CheckDateTime(f, text);
        };
    rules.beforeInsert = [this](ClientDataSet &) {
        precoHoraBeforeInsert(currentItemOf(*cdsItemPreco), msgPadrao);
    };
    rules.onNewRecord = precoHoraNewRecord;
    rules.afterEdit = [](ClientDataSet &ds) { stChavePrecoDia = precoDiaChave(ds); };
    rules.beforePost = [this](ClientDataSet &ds) { precoHoraBeforePost(ds, precoHoraContext()); };
    rules.afterPost = [this](ClientDataSet &) { setPrecoHora(); };
    rules.afterCancel = [this](ClientDataSet &) {
        habilita(dtsPrecoHora);
        stChavePrecoDia.clear();
    };
    rules.afterDelete = [this](ClientDataSet &) {
        setPrecoHora();
        habilita(dtsPrecoHora);
        stChavePrecoDia.clear();
    };
}

void TfrmTabGeral::setPrecoHora()
{
    ClientDataSet &ds = *cdsPrecoHora;
    if (ds.changeCount() <= 0)
        return;
    try {
        BusyAnimation busy(widgets::BusyProcessing, {}, this);
        CheckResultServ(server().SetPrecoHora(ds.delta()), true, 0);
    } catch (...) {
        // The grid goes back to what the server holds.
        ds.cancelUpdates();
        throw;
    }
    ds.mergeChangeLog();
    stChavePrecoDia.clear();
}

PrecoHoraContext TfrmTabGeral::precoHoraContext() const
{
    const data::Field *selected = dbgPrecoHora->SelectedField();
    return PrecoHoraContext{
        msgPadrao,
        currentPeriodOf(*cdsVigenciaTab),
        currentItemOf(*cdsItemPreco),
        selected ? selected->fieldName() : QString(),
        stChavePrecoDia,
        [this](const QString &code) { return lookupTipoCons(code); },
        [this](const ModalidadeKey &key) { return existsModalidade(key); },
    };
}

std::optional<QString> TfrmTabGeral::lookupTipoCons(const QString &code) const
{
    adqTipoCons->Close();
    adqTipoCons->setParam(QStringLiteral("P_TCDTIPOCONS"), QString());
    adqTipoCons->setParam(QStringLiteral("P_CDTIPOCONS"), code);
    adqTipoCons->Open();
    if (adqTipoCons->IsEmpty())
        return std::nullopt;
    return adqTipoCons->FieldByName(QStringLiteral("NMTIPOCONS")).asString();
}

bool TfrmTabGeral::existsModalidade(const ModalidadeKey &k) const
{
    cdsVdMod->loadPacket(
        CheckResultServ(m_server->getVdModalidade(k.cdTabePrec, k.dtIniVgPrec, k.cdProduto,
                                                  k.cdPrPaiTabPr, k.cdTipoConsPd, k.nrDiaSemanPr,
                                                  k.hrIniPrecDia, k.hrFinPrecDia, k.dtIniValPrec),
                        true, 0));
    return !cdsVdMod->isEmpty();
}

} // namespace vnd::pricetable
