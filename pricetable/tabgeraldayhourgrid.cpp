// The day/hour price grid (dbgPrecoHora): columns and pick lists, the key column lock, the
// consumer type lookup, column exits, the modality check boxes and cell drawing.

#include "pricetable/frmtabgeral.h"

#include "host/db/adoibquery.h"
#include "host/services/ui.h"
#include "host/widgets/dbgrid.h"
#include "host/widgets/pesquisar.h"
#include "host/widgets/syscolors.h"
#include "pricetable/dayhourcalc.h"
#include "pricetable/dayhourcodes.h"
#include "pricetable/dayhourgrid.h"
#include "pricetable/gridfield.h"
#include "pricetable/gridformat.h"
#include "pricetable/tabgeralstate.h"

namespace vnd::pricetable
{

using widgets::ColumnButtonStyle;
using widgets::sysColor;
using widgets::TColumn;

void TfrmTabGeral::buildPrecoHoraGrid()
{
    widgets::TDBGrid &grid = *dbgPrecoHora;
    grid.setDataSource(dtsPrecoHora);
    grid.setColor(sysColor(widgets::clInfoBk));
    grid.setOptions(widgets::dgEditing | widgets::dgTitles | widgets::dgIndicator |
                    widgets::dgColumnResize | widgets::dgColLines | widgets::dgRowLines |
                    widgets::dgTabs | widgets::dgConfirmDelete | widgets::dgCancelOnExit);

    const auto add = [&grid](const char *field, int width = -1) -> TColumn & {
        return grid.addColumn(QString::fromLatin1(field), {}, width);
    };
    add("NRDIASEMANPR", 96).pickList = codePickList(diaSemanaCodes(), msgPadrao);
    add("CDTIPOCONSPD", 97);
    add("IDPERVALORPR").pickList = codePickList(perValorCodes(), msgPadrao);
    add("IDDESCACREPR").pickList = codePickList(descAcreCodes(), msgPadrao);
    add("VRPRECODIA");
    add("HRINIPRECDIA");
    add("HRFINPRECDIA");
    add("PRECO");
    add("VRPRECODIADLV");
    add("VRPRECODIACMD");
    add("DTINIVALPREC");
    add("DTFINVALPREC");
    add("IDVISUACUPOM", 55).pickList = codePickList(visualizaCodes(), msgPadrao);
    add("IDTPMODGERAL");
    add("IDTPMODDLV");
    add("IDTPMODCMD");
    grid.columnsChanged();
    lockKeyColumns();
    // Runs before the window's own state-change handling, which then enables the commands.
    connect(dtsPrecoHora, &data::DataSource::stateChanged, this,
            [this] { guarded([this] { lockKeyColumns(); }); });

    grid.defaultDrawing = false;
    grid.onDrawColumnCell = [this](const QRect &rect, int, TColumn &col,
                                   widgets::GridDrawState st) {
        drawPrecoHoraCell(rect, col, st.selected, st.focused);
    };
    grid.onColEnter = [this] { dbgPrecoHoraColEnter(); };
    grid.onColExit = [this] {
        precoHoraColExit(*cdsPrecoHora, selectedFieldName(*dbgPrecoHora), precoHoraContext());
    };
    grid.onEditButtonClick = [this] { dbgPrecoHoraEditButtonClick(); };
    grid.onCellClick = [this](TColumn &col) {
        alteraCheckModalidade(*cdsPrecoHora, col.fieldName);
    };
    grid.onKeyDown = [this](int &key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Space)
            alteraCheckModalidade(*cdsPrecoHora, selectedFieldName(*dbgPrecoHora));
    };
    grid.onEnter = [this] {
        boPrecoHoraFocado = true;
        boProdFocado = false;
        boCompFocado = false;
        habilita(dtsPrecoHora);
    };
}

void TfrmTabGeral::lockKeyColumns()
{
    const KeyColumnLock lock = keyColumnLock(cdsPrecoHora->state());
    for (const QString &name : precoHoraKeyFields()) {
        const int i = widgets::IndiceCol(dbgPrecoHora, name);
        if (i >= 0)
            dbgPrecoHora->column(i).readOnly = lock.readOnly;
    }
    const int tipoCons = widgets::IndiceCol(dbgPrecoHora, QStringLiteral("CDTIPOCONSPD"));
    if (tipoCons >= 0)
        dbgPrecoHora->column(tipoCons).buttonStyle =
            lock.lookupButton ? ColumnButtonStyle::Ellipsis : ColumnButtonStyle::Auto;
    dbgPrecoHora->viewport()->update();
}

void TfrmTabGeral::dbgPrecoHoraColEnter()
{
    if (precoHoraColumnEditable(selectedFieldName(*dbgPrecoHora)))
        dbgPrecoHora->addOption(widgets::dgEditing);
    else
        dbgPrecoHora->removeOption(widgets::dgEditing);
}

void TfrmTabGeral::dbgPrecoHoraEditButtonClick()
{
    adqTipoCons->Close();
    adqTipoCons->setParam(QStringLiteral("P_CDTIPOCONS"), QString());
    adqTipoCons->setParam(QStringLiteral("P_TCDTIPOCONS"), QStringLiteral("T"));
    adqTipoCons->Open();
    data::ClientDataSet &types = adqTipoCons->dataSet();
    data::DataSource dtsTipoCons(&types);
    const QString caption =
        Msg(QStringLiteral("TpCons")) + QLatin1Char('|') + Msg(QStringLiteral("TpConsNCad"));
    if (!widgets::Pesquisar(&dtsTipoCons, caption, false, true))
        return;
    cdsPrecoHora->fieldByName(u"CDTIPOCONSPD").setValue(types.fieldByName(u"CDTIPOCONS").value());
    cdsPrecoHora->fieldByName(u"NMTIPOCONS").setValue(types.fieldByName(u"NMTIPOCONS").value());
}

void TfrmTabGeral::drawPrecoHoraCell(const QRect &rect, TColumn &col, bool selected, bool focused)
{
    widgets::TCanvas &canvas = dbgPrecoHora->Canvas();
    const data::ClientDataSet &ds = *cdsPrecoHora;
    canvas.FillRect(rect);
    canvas.Font.Color =
        precoHoraFontColour(ds.fieldByName(u"DTINIVALPREC").asDate(),
                            ds.fieldByName(u"DTFINVALPREC").asDate(), QDate::currentDate());
    // Without "always show selection" the current cell shows as selected only while the
    // grid or its cell editor has the focus.
    const bool shownSelected = selected && (focused || dbgPrecoHora->EditorMode());
    if (shownSelected) {
        canvas.Brush.Color = sysColor(widgets::clHighlight);
        canvas.FillRect(rect);
        canvas.Font.Color = sysColor(widgets::clCaptionText);
    }
    const QString &name = col.fieldName;
    if (name.compare(u"CDTIPOCONSPD", Qt::CaseInsensitive) == 0) {
        const bool editorShowsCode = dbgPrecoHora->EditorMode() && shownSelected && !focused;
        const QString text =
            tipoConsCellText(ds.fieldByName(u"CDTIPOCONSPD").asString(),
                             ds.fieldByName(u"NMTIPOCONS").asString(), editorShowsCode, msgPadrao);
        canvas.TextRect(rect, rect.left() + 3, rect.top() + 3, text);
    } else if (isModalidadeField(name)) {
        const CheckImage image =
            modalidadeImage(col.field ? col.field->asString() : QString(), !ds.isEmpty());
        const QImage &bitmap = image == CheckImage::Check ? imgCheck : imgUncheck;
        if (image != CheckImage::None) {
            const QSize size = bitmap.size();
            const int top = rect.top() + std::max(0, (rect.height() - size.height()) / 2);
            canvas.BrushCopy(QRect(QPoint(rect.left() + 10, top), size), bitmap,
                             QRect(QPoint(0, 0), size), kIconTransparentColour);
        }
    } else {
        canvas.TextOut(rect.left() + 2, rect.top() + 2, col.field ? col.field->text() : QString());
    }
    if (focused)
        canvas.DrawFocusRect(rect);
}

} // namespace vnd::pricetable
