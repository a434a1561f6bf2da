// The checks and the confirmation of the differentiated-price window.

#include "host/db/adoibquery.h"
#include "host/db/pesqprodcomp.h"
#include "host/services/codes.h"
#include "host/services/errors.h"
#include "host/services/picture.h"
#include "host/widgets/busyanimation.h"
#include "host/widgets/dateeditplus.h"
#include "host/widgets/maskedit.h"
#include "host/widgets/numberedit.h"
#include "host/widgets/radiogroup.h"
#include "pricetable/frmtabgeral.h"
#include "pricetable/itemprice.h"
#include "tools/diffprice/cadautprecostate.h"
#include "tools/diffprice/frmcadautprecodeferenciado.h"
#include "tools/preview/frmprevia.h"
#include "tools/selection/chosenproducts.h"
#include "tools/selection/productselection.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QScopeGuard>

namespace vnd::diffprice
{

using pricing::Decimal;
using selection::Mode;

void TfrmCadAutPrecoDeferenciado::refuse(QWidget *field, const QString &text)
{
    if (field)
        field->setFocus();
    MensErro(text, true);
}

DayBoxes TfrmCadAutPrecoDeferenciado::dayBoxes() const
{
    DayBoxes boxes{};
    const QCheckBox *order[] = {chbTodosDias, chbVesperaFeriado, chbFeriado, chbDomingo, chbSegunda,
                                chbTerca,     chbQuarta,         chbQuinta,  chbSexta,   chbSabado};
    for (int i = 0; i < kDayBoxes; ++i)
        boxes[size_t(i)] = order[i]->isChecked();
    return boxes;
}

bool TfrmCadAutPrecoDeferenciado::percentage() const
{
    return rdgValPer->ItemIndex() == 1;
}

Decimal TfrmCadAutPrecoDeferenciado::amount() const
{
    return Decimal::fromDouble(numValPer->GetNumber()).value_or(Decimal());
}

void TfrmCadAutPrecoDeferenciado::Vd_Dia()
{
    // The ticks stay: disabled ticked days are still sent.
    const bool each = !chbTodosDias->isChecked();
    for (QCheckBox *b : {chbFeriado, chbVesperaFeriado, chbDomingo, chbSegunda, chbTerca, chbQuarta,
                         chbQuinta, chbSexta, chbSabado})
        b->setEnabled(each);
}

void TfrmCadAutPrecoDeferenciado::Vd_DiaChecked()
{
    const DayBoxes boxes = dayBoxes();
    if (std::find(boxes.begin(), boxes.end(), true) == boxes.end())
        refuse(nullptr, Msg(QStringLiteral("DIAINF")));
}

void TfrmCadAutPrecoDeferenciado::vd_ValorouPercentual()
{
    if (const char *fault = valueFault(percentage(), amount()))
        refuse(numValPer, Msg(QString::fromLatin1(fault)));
}

void TfrmCadAutPrecoDeferenciado::checkTime(widgets::TMaskEdit *field, const char *missingKey)
{
    const QString shown = field->EditText();
    if (EmptyString(shown))
        refuse(field, Msg(QString::fromLatin1(missingKey)));
    if (!storedTime(shown))
        refuse(field, u'\'' + shown + QStringLiteral("' ") + Msg(QStringLiteral("HORAINV")));
}

void TfrmCadAutPrecoDeferenciado::vd_HoraDe()
{
    checkTime(medHorarioDe, "HORINIINF");
}

void TfrmCadAutPrecoDeferenciado::vd_HoraAte()
{
    checkTime(medHorarioAte, "HORFININF");
}

void TfrmCadAutPrecoDeferenciado::vd_Horario()
{
    if (const char *fault = timeOrderFault(medHorarioDe->EditText(), medHorarioAte->EditText()))
        refuse(medHorarioDe, Msg(QString::fromLatin1(fault)));
}

void TfrmCadAutPrecoDeferenciado::Vd_Validade()
{
    depValidadeDe->CheckValidDate();
    depValidadeAte->CheckValidDate();
    const pricetable::CurrentPeriod period =
        pricetable::currentPeriodOf(*tabGeralComVigencia().cdsVigenciaTab);
    const char *fault = validityFault(depValidadeDe->GetDate(), depValidadeAte->GetDate(),
                                      period.dtIniVgPrec, period.dtFinVgPrec);
    if (!fault)
        return;
    QWidget *focus = qstrcmp(fault, "DTVALIDADEINI") == 0   ? depValidadeDe
                     : qstrcmp(fault, "DTVALIDADEFIN") == 0 ? depValidadeAte
                                                            : nullptr;
    refuse(focus, Msg(QString::fromLatin1(fault)));
}

void TfrmCadAutPrecoDeferenciado::vd_Valor()
{
    if (const char *fault = percentFault(percentage(), rdgDesAcr->ItemIndex() == 1, amount()))
        refuse(numValPer, Msg(QString::fromLatin1(fault)));
}

void TfrmCadAutPrecoDeferenciado::Vd_TipoCons()
{
    // The focus goes back to the field on every failure, a failed query's included.
    try {
        if (EmptyString(edtCdTipoConsumidor->text())) {
            stTipoCons = QStringLiteral("T");
            return;
        }
        const QString code = Ajusta(edtCdTipoConsumidor->text(), 2);
        edtCdTipoConsumidor->setText(code);
        qryTipoCons->Close();
        qryTipoCons->setParam(QStringLiteral("P_TCDTIPOCONS"), QString());
        qryTipoCons->setParam(QStringLiteral("P_CDTIPOCONS"), code);
        qryTipoCons->Open();
        if (qryTipoCons->IsEmpty())
            refuse(edtCdTipoConsumidor, Msg(QStringLiteral("Cons_n_Cad")));
        stTipoCons = code;
        edtNmTipoConsumidor->setText(
            qryTipoCons->FieldByName(QStringLiteral("NMTIPOCONS")).asString());
    } catch (...) {
        edtCdTipoConsumidor->setFocus();
        throw;
    }
}

contracts::PrecDifArgs TfrmCadAutPrecoDeferenciado::precDifArgs(const QString &timeFrom,
                                                                const QString &timeTo) const
{
    const pricetable::CurrentPeriod period =
        pricetable::currentPeriodOf(*tabGeralComVigencia().cdsVigenciaTab);
    contracts::PrecDifArgs a;
    a.days = dayBoxes();
    a.lista = grbProd->mode() == Mode::Lista;
    a.todos = grbProd->mode() == Mode::Todos;
    a.intervalo = grbProd->mode() == Mode::Intervalo;
    a.desAcr = rdgDesAcr->ItemIndex();
    a.valPer = rdgValPer->ItemIndex();
    a.table = period.cdTabePrec;
    a.rangeEnd = grbProd->medProdFim->Text();
    a.rangeStart = grbProd->medProdIni->Text();
    a.timeFrom = timeFrom;
    a.timeTo = timeTo;
    a.validFrom = depValidadeDe->GetDate();
    a.validTo = depValidadeAte->GetDate();
    a.periodStart = period.dtIniVgPrec;
    a.amount = numValPer->GetNumber();
    a.list = stPesqProd;
    a.products = cdsProdAux->toPacket();
    a.consumerType = stTipoCons;
    a.visualiza = rdgVisualiza->ItemIndex();
    return a;
}

std::pair<QString, QString> TfrmCadAutPrecoDeferenciado::checkInputs()
{
    const QString timeFrom = medHorarioDe->EditText();
    const QString timeTo = medHorarioAte->EditText();
    if (grbProd->mode() == Mode::Intervalo) {
        grbProd->checkStart(true);
        grbProd->checkEnd(true);
    }
    grbProd->checkList();
    Vd_DiaChecked();
    vd_ValorouPercentual();
    vd_HoraDe();
    vd_HoraAte();
    vd_Horario();
    Vd_Validade();
    vd_Valor();
    Vd_TipoCons();
    return {timeFrom, timeTo};
}

void TfrmCadAutPrecoDeferenciado::registerRules(const QString &timeFrom, const QString &timeTo)
{
    // Rows of a failed confirmation never go with the next one, whatever its mode.
    selection::emptyChosenProducts(*cdsProdAux);
    if (grbProd->mode() == Mode::Lista)
        grbProd->takeListInto(*cdsProdAux);
    pricetable::TfrmTabGeral &tabGeral = tabGeralComVigencia();
    widgets::BusyAnimation busy(widgets::BusyProcessing, Msg(QStringLiteral("Prec_Inf")), this);
    CheckResultServ(tabGeral.server().SetPrecDif(precDifArgs(timeFrom, timeTo)), true, 0);
    close();
    tabGeral.getPrecoHora();
    tabGeral.getItensTabGeral(QString(), QStringLiteral("T"));
}

void TfrmCadAutPrecoDeferenciado::sbtConfirmaClick()
{
    const auto [timeFrom, timeTo] = checkInputs();
    if (ShowMsg(Msg(QStringLiteral("CONF")), mtConfirmation, mbYesNo, 0) != mrYes)
        return;
    registerRules(timeFrom, timeTo);
}

void TfrmCadAutPrecoDeferenciado::sbtPreviaClick()
{
    const auto [timeFrom, timeTo] = checkInputs();
    contracts::PrecDifArgs args = precDifArgs(timeFrom, timeTo);
    // The list as the real call will carry it, while the window keeps its picks.
    data::ClientDataSet chosen;
    selection::emptyChosenProducts(chosen);
    if (grbProd->mode() == Mode::Lista) {
        selection::listToDataSet(stPesqProd, chosen);
        args.list.clear();
    }
    args.products = chosen.toPacket();
    contracts::RdmTabGeral &rdm = tabGeralComVigencia().server();
    data::Reply preview;
    {
        widgets::BusyAnimation busy(widgets::BusyServer, {}, this);
        preview = rdm.previewOf([&] { return rdm.SetPrecDif(args); });
    }
    if (widgets::previaConfirmada(this, {{windowTitle(), preview}}))
        registerRules(timeFrom, timeTo);
}

QString TfrmCadAutPrecoDeferenciado::SQL_Pesquisa_Produto_CDS_TELA(data::ClientDataSet &ds)
{
    if (!db::dtmPesqProdComp)
        db::dtmPesqProdComp = std::make_unique<db::TdtmPesqProdComp>();
    const auto release = qScopeGuard([] {
        while (db::dtmPesqProdComp->connected())
            db::dtmPesqProdComp->close();
        db::dtmPesqProdComp.reset();
    });
    db::dtmPesqProdComp->open();
    const QString levels = QString::number(DBPictObj(ptProduto).GetTtNiveis());
    const data::Reply reply = tabGeralComVigencia().server().SQL_Pesquisa_ProdutoPDV(levels);
    // Not a packet result: only a failure that would make the array unreadable stops here.
    if (!reply.ok)
        throw Error(reply.errorMessage);
    if (reply.result.kind() != data::Value::Kind::Array || reply.result.array().size() != 2 ||
        reply.result.array()[0].kind() != data::Value::Kind::Packet ||
        reply.result.array()[1].kind() != data::Value::Kind::String)
        throw Error(QStringLiteral("Resposta inválida do servidor para SQL_Pesquisa_ProdutoPDV."));
    ds.loadPacket(reply.result.array()[0].packet());
    return reply.result.array()[1].toString();
}

} // namespace vnd::diffprice
