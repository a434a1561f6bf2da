// The item price grid (dbsItemPreco): columns, cell drawing, keys and focus bookkeeping.

#include "pricetable/frmtabgeral.h"

#include "host/services/picture.h"
#include "host/widgets/dbsortgrid.h"
#include "host/widgets/syscolors.h"
#include "pricetable/gridfield.h"
#include "pricetable/gridformat.h"
#include "pricetable/tabgeralstate.h"

namespace vnd::pricetable
{

using widgets::sysColor;
using widgets::TColumn;

namespace
{

bool isField(const TColumn &col, const char *name)
{
    return col.fieldName.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

} // namespace

void TfrmTabGeral::buildItemGrid()
{
    widgets::TDBSortGrid &grid = *dbsItemPreco;
    grid.setDataSource(dtsItemPreco);
    grid.setFrameShape(QFrame::NoFrame);
    grid.setColor(sysColor(widgets::clInfoBk));
    grid.setOptions(widgets::dgEditing | widgets::dgTitles | widgets::dgIndicator |
                    widgets::dgColumnResize | widgets::dgColLines | widgets::dgRowLines |
                    widgets::dgTabs | widgets::dgConfirmDelete | widgets::dgCancelOnExit);
    // Rows only come from the server.
    grid.allowAppend = false;

    const QStringList simNao = {Msg(QStringLiteral("Sim")), Msg(QStringLiteral("Não"))};
    grid.addColumn(QStringLiteral("NRCOMPPROD"), QStringLiteral(" "), 17);
    // Rows come from the server and are never inserted, so the code is never edited.
    grid.addColumn(QStringLiteral("CDARVPROD"), QStringLiteral("Produto"), 96).readOnly = true;
    grid.addColumn(QStringLiteral("CDBARPRODUTO"), QStringLiteral("Código de Barra"), 110);
    grid.addColumn(QStringLiteral("NMPRODUTO"), QStringLiteral("Nome"), 230);
    grid.addColumn(QStringLiteral("VRPRECITEM"), QStringLiteral("Preço"), 80);
    grid.addColumn(QStringLiteral("VRPRECITEMCL"), QStringLiteral("Preço Subs."));
    grid.addColumn(QStringLiteral("VRPRECITEMDLV"), QStringLiteral("Pr. Delivery"));
    grid.addColumn(QStringLiteral("VRPRECITEMCMD"), QStringLiteral("Pr. Comanda"));
    grid.addColumn(QStringLiteral("IDPRECVARIA"), QStringLiteral("Pr. Variável")).pickList = simNao;
    grid.addColumn(QStringLiteral("VRPRESUGITEM"), QStringLiteral("Pr. Sugerido"));
    grid.addColumn(QStringLiteral("VRCUSTITEM"), QStringLiteral("Pr. Calculado"));
    grid.addColumn(QStringLiteral("VRMKUPITEM"), QStringLiteral("Mark Up")).readOnly = true;
    grid.addColumn(QStringLiteral("IDPRODPROMOC"), QStringLiteral("Promoção")).pickList = simNao;
    grid.addColumn(QStringLiteral("HRINIVENPROD"), QStringLiteral("Hora Inicial"), 60);
    grid.addColumn(QStringLiteral("HRFIMVENPROD"), QStringLiteral("Hora Final"), 55);
    grid.columnsChanged();

    grid.defaultDrawing = false;
    grid.onDrawColumnCell = [this](const QRect &rect, int, TColumn &col,
                                   widgets::GridDrawState st) {
        drawItemCell(rect, col, st.selected, st.focused);
    };
    grid.onColEnter = [this] { dbsItemPrecoColEnter(); };
    grid.onKeyDown = [](int &key, Qt::KeyboardModifiers modifiers) {
        if (itemKeyDownSwallowed(key, modifiers))
            key = 0;
    };
    grid.onKeyPress = [this](QChar &ch) {
        ch = itemKeyPress(ch, selectedFieldName(*dbsItemPreco), dtsItemPreco->state());
    };
    grid.onEnter = [this] {
        boPrecoHoraFocado = false;
        boProdFocado = true;
        boCompFocado = false;
        habilita(dtsItemPreco);
    };
}

void TfrmTabGeral::dbsItemPrecoColEnter()
{
    if (itemColumnEditable(selectedFieldName(*dbsItemPreco)))
        dbsItemPreco->addOption(widgets::dgEditing);
    else
        dbsItemPreco->removeOption(widgets::dgEditing);
}

void TfrmTabGeral::drawItemCell(const QRect &rect, TColumn &col, bool selected, bool focused)
{
    widgets::TCanvas &canvas = dbsItemPreco->Canvas();
    const data::ClientDataSet &ds = *cdsItemPreco;
    // Without "always show selection" a cell shows as selected only while the grid has the
    // focus.
    const bool shownSelected = selected && focused;
    const ItemCellColours colours = itemCellColours(
        ds.fieldByName(u"VRPRECITEM").asFloat(), ds.fieldByName(u"VRPRECITEMCL").asFloat(),
        ds.fieldByName(u"VRCUSTITEM").asFloat(), shownSelected);
    canvas.Brush.Color = sysColor(
        colours.background == CellBackground::Selected ? widgets::clHighlight : widgets::clInfoBk);
    canvas.FillRect(rect);
    switch (colours.text) {
    case CellText::Normal:
        canvas.Font.Color = sysColor(widgets::clWindowText);
        break;
    case CellText::Selected:
        canvas.Font.Color = sysColor(widgets::clCaptionText);
        break;
    case CellText::Red:
        canvas.Font.Color = kPriceBelowColour;
        break;
    case CellText::Blue:
        canvas.Font.Color = kPriceAboveColour;
        break;
    }

    if (col.field && isField(col, "NRCOMPPROD")) {
        // The column shows the icon of composed products and nothing else.
        if (showsCompositionIcon(*col.field)) {
            const QSize icon = imgCompoe.size();
            const int top = rect.top() + std::max(0, (rect.height() - icon.height()) / 2);
            canvas.BrushCopy(QRect(QPoint(rect.left() + 1, top), icon), imgCompoe,
                             QRect(QPoint(0, 0), icon), kIconTransparentColour);
        }
        return;
    }
    const Picture picture = DBPictObj(ptProduto);
    const ItemCellDisplay shown =
        col.field ? itemCellText(*col.field,
                                 [&picture](const QString &code) { return picture.format(code); })
                  : ItemCellDisplay{};
    const int x = shown.rightAligned ? rect.width() - (canvas.TextWidth(shown.text) + 2) : 2;
    canvas.TextOut(rect.left() + x, rect.top() + 2, shown.text);
    if (focused)
        canvas.DrawFocusRect(rect);
}

} // namespace vnd::pricetable
