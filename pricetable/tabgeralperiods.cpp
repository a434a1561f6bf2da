// Price tables and their validity periods: the data sheet.

#include "pricetable/frmtabgeral.h"

#include "host/services/codes.h"
#include "host/services/ui.h"
#include "host/widgets/busyanimation.h"
#include "host/widgets/dbgrid.h"
#include "host/widgets/dbtext.h"
#include "host/widgets/syscolors.h"
#include "pricetable/periodrules.h"
#include "pricetable/tabgeralstate.h"

#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

namespace vnd::pricetable
{

using data::ClientDataSet;
using data::DataSetState;
using data::Field;
using data::FieldType;
using widgets::BusyAnimation;

namespace
{

QString dateText(const Field &f)
{
    return f.text();
}

bool emptyDate(const Field &f)
{
    return f.isNull() || !f.asDate().isValid() || EmptyString(f.text());
}

} // namespace

void TfrmTabGeral::buildDataSheet()
{
    // The table list keeps its place on the left; the periods take the rest.
    auto *sheet = static_cast<QHBoxLayout *>(tshFolhaDados->layout());
    sheet->removeWidget(panDbgPadrao);
    splVigencia = new QSplitter(Qt::Horizontal, tshFolhaDados);
    panVigencia = new QWidget;
    dbgVigencia = new widgets::TDBGrid(panVigencia);
    dbgVigencia->setObjectName(QStringLiteral("dbgVigencia"));
    auto *pv = new QVBoxLayout(panVigencia);
    pv->setContentsMargins(0, 0, 0, 0);
    pv->addWidget(dbgVigencia);
    splVigencia->addWidget(panDbgPadrao);
    splVigencia->addWidget(panVigencia);
    splVigencia->setChildrenCollapsible(false);
    splVigencia->setSizes({284, 600});
    splVigencia->setStretchFactor(1, 1);
    sheet->addWidget(splVigencia);
    panDbgPadrao->setMinimumWidth(160);

    dtsPadrao->setDataSet(cdsTabGeral);
    dbgPadrao->setDataSource(dtsPadrao);
    dbgPadrao->addColumn(QStringLiteral("CDTABEPREC"), {}, 51);
    dbgPadrao->addColumn(QStringLiteral("NMTABEPREC"), {}, 188);
    dbgPadrao->columnsChanged();
    dbtNome->setDataField(QStringLiteral("NMTABEPREC"));

    dbgVigencia->setDataSource(dtsVigenciaTab);
    dbgVigencia->setColor(widgets::sysColor(widgets::clInfoBk));
    dbgVigencia->addOption(widgets::dgConfirmDelete);
    dbgVigencia->addColumn(QStringLiteral("DTINIVGPREC"), {}, 82).readOnly = true;
    dbgVigencia->addColumn(QStringLiteral("DTFINVGPREC"), {}, 76);
    dbgVigencia->addColumn(QStringLiteral("IDSITVGPREC"), {}, 66);
    dbgVigencia->addColumn(QStringLiteral("Situacao"), {}, 80).readOnly = true;
    dbgVigencia->columnsChanged();
    dbgVigencia->allowAppend = false;
    dbgVigencia->defaultDrawing = false;
    dbgVigencia->onDrawColumnCell = [this](const QRect &rect, int column, widgets::TColumn &col,
                                           widgets::GridDrawState st) {
        drawVigenciaCell(rect, column, col, st.selected, st.focused);
    };
    dbgVigencia->onColEnter = [this] { habilitaDtVigIni(); };
    dbgVigencia->onKeyDown = [this](int &key, Qt::KeyboardModifiers m) {
        dbgPadraoKeyDown(key, m);
    };
}

void TfrmTabGeral::bindTableHooks()
{
    ClientDataSet &t = *cdsTabGeral;
    t.onNewRecord = [](ClientDataSet &ds) { ds.fieldByName(u"CDTABEPREC").focusControl(); };
    t.afterInsert = [](ClientDataSet &) { stOldChave.clear(); };
    t.afterEdit = [](ClientDataSet &ds) { stOldChave = ds.fieldByName(u"CDTABEPREC").asString(); };
    t.afterScroll = [this](ClientDataSet &ds) {
        if (ds.state() == DataSetState::Browse)
            getVigenciaTab();
        habilita(dtsPadrao);
    };
    t.beforePost = [this](ClientDataSet &) { tabGeralBeforePost(); };
    t.afterPost = [this](ClientDataSet &) {
        setTabGeral();
        // A new table has no periods yet: never leave the previous table's on show.
        if (cdsTabGeral->fieldByName(u"CDTABEPREC").asString() != m_periodsOfTable)
            getVigenciaTab();
        habilita(dtsPadrao);
    };
    t.afterDelete = [this](ClientDataSet &) {
        setTabGeral();
        habilita(dtsPadrao);
    };
    t.afterCancel = [this](ClientDataSet &) { habilita(dtsPadrao); };
}

void TfrmTabGeral::bindPeriodHooks()
{
    ClientDataSet &v = *cdsVigenciaTab;
    v.onNewRecord = [this](ClientDataSet &ds) {
        ds.fieldByName(u"CDTABEPREC").setValue(cdsTabGeral->fieldByName(u"CDTABEPREC").value());
    };
    v.afterInsert = [this](ClientDataSet &ds) {
        stOldChave.clear();
        {
            BusyAnimation busy(widgets::BusyProcessing, {}, this);
            const QString table = ds.fieldByName(u"CDTABEPREC").asString();
            cdsMaxDtFinVg->loadPacket(CheckResultServ(server().GetMaxDtFinVg(table), true, 0));
        }
        QDate latest;
        if (!cdsMaxDtFinVg->isEmpty())
            latest = cdsMaxDtFinVg->fieldByName(u"DTFINVGPREC").asDate();
        ds.fieldByName(u"DTINIVGPREC").setValue(defaultPeriodStart(latest, QDate::currentDate()));
        habilitaDtVigIni();
    };
    v.afterEdit = [](ClientDataSet &ds) {
        stOldChave = ds.fieldByName(u"CDTABEPREC").asString() +
                     dateText(ds.fieldByName(u"DTINIVGPREC")) +
                     dateText(ds.fieldByName(u"DTFINVGPREC"));
    };
    v.beforePost = [this](ClientDataSet &) { vigenciaBeforePost(); };
    v.afterPost = [this](ClientDataSet &) {
        setVigenciaTab();
        habilita(dtsVigenciaTab);
    };
    v.afterDelete = [this](ClientDataSet &) {
        setVigenciaTab();
        habilita(dtsVigenciaTab);
        stOldChave.clear();
    };
    v.afterCancel = [this](ClientDataSet &) { habilita(dtsVigenciaTab); };
    v.onCalcFields = [this](ClientDataSet &ds) {
        const bool active =
            periodInForce(ds.fieldByName(u"DTINIVGPREC").asDate(),
                          ds.fieldByName(u"DTFINVGPREC").asDate(), QDate::currentDate());
        ds.fieldByName(u"Situacao")
            .setValue(Msg(active ? QStringLiteral("ativa") : QStringLiteral("inativa")));
    };
    v.fieldByName(u"IDSITVGPREC").onGetText = [this](const Field &f, bool) {
        return periodStatusText(f.asString(), msgPadrao);
    };
}

void TfrmTabGeral::getTabGeral()
{
    BusyAnimation busy(widgets::BusyServer, {}, this);
    cdsTabGeral->loadPacket(CheckResultServ(server().getTabGeral(), true, 0));
    // An empty list runs no after-scroll: clear the periods of a table that is gone.
    if (cdsTabGeral->isEmpty())
        getVigenciaTab();
}

void TfrmTabGeral::getVigenciaTab()
{
    if (cdsTabGeral->isEmpty()) {
        // Left as it was, the grid would go on showing a deleted table's periods.
        if (cdsVigenciaTab->isActive() && !cdsVigenciaTab->isEmpty()) {
            data::DataPacket none = cdsVigenciaTab->toPacket();
            none.rows.clear();
            cdsVigenciaTab->loadPacket(std::move(none));
        }
        m_periodsOfTable.clear();
        return;
    }
    BusyAnimation busy(widgets::BusyServer, {}, this);
    const QString table = cdsTabGeral->fieldByName(u"CDTABEPREC").asString();
    cdsVigenciaTab->loadPacket(CheckResultServ(server().getVigenciaTab(table), true, 0));
    m_periodsOfTable = table;
}

void TfrmTabGeral::saveChanges(
    ClientDataSet &ds, data::Reply (contracts::RdmTabGeral::*method)(const data::ChangeSet &))
{
    if (ds.changeCount() <= 0)
        return;
    try {
        BusyAnimation busy(widgets::BusyServer, {}, this);
        CheckResultServ((server().*method)(ds.delta()), true, 0);
    } catch (...) {
        ds.cancelUpdates();
        // Undoing may change the current table (a deleted one comes back); the period grid
        // must show the current table's periods, or the commands would act on another's.
        if (&ds == cdsTabGeral)
            periodsFollowCurrentTable();
        throw;
    }
    ds.mergeChangeLog();
    stOldChave.clear();
}

void TfrmTabGeral::periodsFollowCurrentTable()
{
    if (!cdsTabGeral->isEmpty() &&
        cdsTabGeral->fieldByName(u"CDTABEPREC").asString() == m_periodsOfTable)
        return;
    try {
        getVigenciaTab();
    } catch (...) {
        // The server is failing already: show no periods rather than another table's.
        if (cdsVigenciaTab->isActive()) {
            data::DataPacket none = cdsVigenciaTab->toPacket();
            none.rows.clear();
            cdsVigenciaTab->loadPacket(std::move(none));
        }
        m_periodsOfTable.clear();
    }
}

void TfrmTabGeral::setTabGeral()
{
    saveChanges(*cdsTabGeral, &contracts::RdmTabGeral::setTabGeral);
}

void TfrmTabGeral::setVigenciaTab()
{
    saveChanges(*cdsVigenciaTab, &contracts::RdmTabGeral::setVigenciaTab);
}

void TfrmTabGeral::refuse(ClientDataSet &ds, const char *field, const QString &text)
{
    ds.fieldByName(QString::fromLatin1(field)).focusControl();
    MensErro(text, true);
}

void TfrmTabGeral::tabGeralBeforePost()
{
    ClientDataSet &ds = *cdsTabGeral;
    Field &code = ds.fieldByName(u"CDTABEPREC");
    code.setValue(Ajusta(code.asString(), 3));
    if (EmptyString(code.asString()))
        refuse(ds, "CDTABEPREC", Msg(QStringLiteral("COD_DEV")));
    if (EmptyString(ds.fieldByName(u"NMTABEPREC").asString()))
        refuse(ds, "NMTABEPREC", Msg(QStringLiteral("NOME_DEV")));
    if (code.asString() != stOldChave) {
        cdsVd->loadPacket(CheckResultServ(server().getVdTabGeral(code.asString()), true, 0));
        if (!cdsVd->isEmpty())
            refuse(ds, "CDTABEPREC", Msg(QStringLiteral("TAB_JA")));
    }
}

void TfrmTabGeral::vigenciaBeforePost()
{
    ClientDataSet &ds = *cdsVigenciaTab;
    Field &start = ds.fieldByName(u"DTINIVGPREC");
    Field &end = ds.fieldByName(u"DTFINVGPREC");
    if (emptyDate(start))
        refuse(ds, "DTINIVGPREC", Msg(QStringLiteral("DTINI_DEV")));
    if (emptyDate(end))
        refuse(ds, "DTFINVGPREC", Msg(QStringLiteral("DTFIN_DEV")));
    if (start.asDate() > end.asDate())
        refuse(ds, "DTFINVGPREC", Msg(QStringLiteral("DTFINMAIOR")));
    const QString table = ds.fieldByName(u"CDTABEPREC").asString();
    if (table + dateText(start) + dateText(end) != stOldChave) {
        cdsVd->loadPacket(
            CheckResultServ(server().getVdPeriodo(table, start.asDate(), end.asDate()), true, 0));
        if (!cdsVd->isEmpty())
            refuse(ds, "DTINIVGPREC", Msg(QStringLiteral("EXISTE_PERIODO")));
    }
}

void TfrmTabGeral::habilitaDtVigIni()
{
    dbgVigencia->addOption(widgets::dgEditing);
    const data::Field *f = dbgVigencia->SelectedField();
    if (f && f->fieldName().compare(u"DTINIVGPREC", Qt::CaseInsensitive) == 0 &&
        cdsVigenciaTab->state() != DataSetState::Insert)
        dbgVigencia->removeOption(widgets::dgEditing);
}

void TfrmTabGeral::dbgPadraoColExit()
{
    const DataSetState s = cdsTabGeral->state();
    const data::Field *f = dbgPadrao->SelectedField();
    if ((s == DataSetState::Edit || s == DataSetState::Insert) && f &&
        f->fieldName().compare(u"CDTABEPREC", Qt::CaseInsensitive) == 0) {
        Field &code = cdsTabGeral->fieldByName(u"CDTABEPREC");
        code.setValue(Ajusta(code.asString(), 3));
    }
}

void TfrmTabGeral::drawVigenciaCell(const QRect &rect, int, widgets::TColumn &col, bool selected,
                                    bool focused)
{
    widgets::TCanvas &canvas = dbgVigencia->Canvas();
    canvas.FillRect(rect);
    canvas.Font.Color =
        periodFontColor(cdsVigenciaTab->fieldByName(u"DTINIVGPREC").asDate(),
                        cdsVigenciaTab->fieldByName(u"DTFINVGPREC").asDate(), QDate::currentDate());
    if (selected) {
        canvas.Brush.Color = widgets::sysColor(widgets::clHighlight);
        canvas.FillRect(rect);
        canvas.Font.Color = widgets::sysColor(widgets::clCaptionText);
    }
    const QString text = col.field ? col.field->text() : QString();
    canvas.TextOut(rect.left() + 2, rect.top() + 2, text);
    if (focused)
        canvas.DrawFocusRect(rect);
}

} // namespace vnd::pricetable
