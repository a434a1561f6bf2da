// Branches attached to the current price table.

#include "pricetable/frmtabgeral.h"

#include "host/db/adoibquery.h"
#include "host/services/codes.h"
#include "host/services/ui.h"
#include "host/widgets/busyanimation.h"
#include "host/widgets/dbgrid.h"
#include "host/widgets/pesquisar.h"
#include "host/widgets/syscolors.h"
#include "pricetable/periodrules.h"
#include "pricetable/rulehelpers.h"
#include "pricetable/tabgeralstate.h"

#include <QTabWidget>
#include <QVBoxLayout>

namespace vnd::pricetable
{

using data::ClientDataSet;
using data::DataSetState;
using data::Field;
using widgets::BusyAnimation;

namespace
{

bool isColumn(const widgets::TDBGrid *grid, const char *field)
{
    const Field *f = grid->SelectedField();
    return f && f->fieldName().compare(QLatin1String(field), Qt::CaseInsensitive) == 0;
}

} // namespace

void TfrmTabGeral::buildBranchesPage()
{
    tshFilTab = new QWidget;
    dbgFilTab = new widgets::TDBGrid(tshFilTab);
    dbgFilTab->setObjectName(QStringLiteral("dbgFilTab"));
    auto *layout = new QVBoxLayout(tshFilTab);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(dbgFilTab);
    pgcPadrao->addTab(tshFilTab, QStringLiteral("Fi&liais"));

    dbgFilTab->setDataSource(dtsFilTab);
    dbgFilTab->setColor(widgets::sysColor(widgets::clInfoBk));
    dbgFilTab->addOption(widgets::dgConfirmDelete);
    dbgFilTab->addColumn(QStringLiteral("CDFILIAL"), {}, 59).buttonStyle =
        widgets::ColumnButtonStyle::Ellipsis;
    dbgFilTab->addColumn(QStringLiteral("NMFILIAL"), {}, 240).readOnly = true;
    dbgFilTab->columnsChanged();
    dbgFilTab->onColEnter = [this] {
        if (isColumn(dbgFilTab, "NMFILIAL"))
            dbgFilTab->removeOption(widgets::dgEditing);
        else
            dbgFilTab->addOption(widgets::dgEditing);
    };
    dbgFilTab->onColExit = [this] { filTabColExit(); };
    dbgFilTab->onEditButtonClick = [this] { filTabEditButtonClick(); };
    dbgFilTab->onKeyDown = [this](int &key, Qt::KeyboardModifiers m) { dbgPadraoKeyDown(key, m); };
}

void TfrmTabGeral::bindBranchHooks()
{
    ClientDataSet &f = *cdsFilTab;
    f.onNewRecord = [this](ClientDataSet &ds) {
        ds.fieldByName(u"CDTABEPREC").setValue(cdsTabGeral->fieldByName(u"CDTABEPREC").value());
    };
    f.afterInsert = [](ClientDataSet &) { stOldChave.clear(); };
    f.afterEdit = [](ClientDataSet &ds) { stOldChave = ds.fieldByName(u"CDFILIAL").asString(); };
    f.beforePost = [this](ClientDataSet &) { filTabBeforePost(); };
    f.afterPost = [this](ClientDataSet &) { setFilTab(); };
    f.afterDelete = [this](ClientDataSet &) { setFilTab(); };
    f.afterCancel = [this](ClientDataSet &) { habilita(dtsFilTab); };
}

void TfrmTabGeral::getFilTab()
{
    BusyAnimation busy(widgets::BusyServer, {}, this);
    const QString table =
        cdsTabGeral->isEmpty() ? QString() : cdsTabGeral->fieldByName(u"CDTABEPREC").asString();
    cdsFilTab->loadPacket(CheckResultServ(server().getFilTab(table), true, 0));
}

void TfrmTabGeral::setFilTab()
{
    if (cdsFilTab->changeCount() <= 0)
        return;
    saveChanges(*cdsFilTab, &contracts::RdmTabGeral::setFilTab);
    habilita(dtsFilTab);
}

void TfrmTabGeral::abreQryFilial(const QString &code, const QString &mark)
{
    qryFilial->Close();
    qryFilial->setParam(QStringLiteral("P_CDFILIAL"), code);
    qryFilial->setParam(QStringLiteral("P_TCDFILIAL"), mark);
    qryFilial->Open();
}

void TfrmTabGeral::filTabColExit()
{
    if (!isEditing(*cdsFilTab) || !isColumn(dbgFilTab, "CDFILIAL"))
        return;
    Field &code = cdsFilTab->fieldByName(u"CDFILIAL");
    code.setValue(Ajusta(code.asString(), 4));
    if (code.asString().isEmpty())
        return;
    abreQryFilial(code.asString(), QString());
    // A name left beside a code that does not exist would read as if it belonged to it.
    cdsFilTab->fieldByName(u"NMFILIAL").clear();
    if (qryFilial->IsEmpty())
        refuse(*cdsFilTab, "CDFILIAL", Msg(QStringLiteral("FIL_N")));
    code.setValue(qryFilial->FieldByName(QStringLiteral("CDFILIAL")).asString());
    cdsFilTab->fieldByName(u"NMFILIAL")
        .setValue(qryFilial->FieldByName(QStringLiteral("NMFILIAL")).asString());
}

void TfrmTabGeral::filTabEditButtonClick()
{
    if (cdsFilTab->state() != DataSetState::Edit && cdsFilTab->state() != DataSetState::Insert)
        cdsFilTab->edit();
    if (!isEditing(*cdsFilTab) || !isColumn(dbgFilTab, "CDFILIAL"))
        return;
    abreQryFilial(QString(), QStringLiteral("T"));
    const QString caption =
        Msg(QStringLiteral("FILIAL")) + QLatin1Char('|') + Msg(QStringLiteral("Filial_Cad"));
    if (widgets::Pesquisar(dtsFilial, caption, false, true)) {
        cdsFilTab->fieldByName(u"NMFILIAL").clear();
        cdsFilTab->fieldByName(u"CDFILIAL")
            .setValue(qryFilial->FieldByName(QStringLiteral("CDFILIAL")).asString());
        cdsFilTab->fieldByName(u"NMFILIAL")
            .setValue(qryFilial->FieldByName(QStringLiteral("NMFILIAL")).asString());
    }
}

void TfrmTabGeral::filTabBeforePost()
{
    ClientDataSet &ds = *cdsFilTab;
    Field &code = ds.fieldByName(u"CDFILIAL");
    code.setValue(Ajusta(code.asString(), 4));
    if (EmptyString(code.asString()))
        refuse(ds, "CDFILIAL", Msg(QStringLiteral("FIL_DEV")));
    abreQryFilial(code.asString(), QString());
    ds.fieldByName(u"NMFILIAL").clear();
    if (qryFilial->IsEmpty())
        refuse(ds, "CDFILIAL", Msg(QStringLiteral("FIL_N")));
    code.setValue(qryFilial->FieldByName(QStringLiteral("CDFILIAL")).asString());
    ds.fieldByName(u"NMFILIAL")
        .setValue(qryFilial->FieldByName(QStringLiteral("NMFILIAL")).asString());
    if (code.asString() == stOldChave)
        return;
    const QString table = ds.fieldByName(u"CDTABEPREC").asString();
    cdsVd->loadPacket(CheckResultServ(server().getVdFilTab(table, code.asString()), true, 0));
    if (!cdsVd->isEmpty())
        refuse(ds, "CDFILIAL", Msg(QStringLiteral("FIL_JA")));
    cdsVdFilTab->loadPacket(
        CheckResultServ(server().getFilOutTab(code.asString(), table), true, 0));
    if (!cdsVdFilTab->isEmpty()) {
        cdsVdFilTab->first();
        const QString other = cdsVdFilTab->fieldByName(u"CDTABEPREC").asString();
        const QString since = cdsVdFilTab->fieldByName(u"DTINIVGPREC")
                                  .asDate()
                                  .toString(QStringLiteral("dd/MM/yyyy"));
        refuse(ds, "CDFILIAL", formatMessage(Msg(QStringLiteral("FILOUTTAB")), {other, since}));
    }
}

} // namespace vnd::pricetable
