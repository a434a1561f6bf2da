// The form page's spreadsheet commands: the item prices and day/hour rules out to a workbook
// or CSV files, and prices in from a CSV file through a preview.

#include "pricetable/frmtabgeral.h"

#include "host/services/picture.h"
#include "host/services/ui.h"
#include "host/widgets/busyanimation.h"
#include "host/widgets/dbgrid.h"
#include "host/widgets/dbsortgrid.h"
#include "host/widgets/dialogrunner.h"
#include "host/widgets/hosticons.h"
#include "pricetable/csvreader.h"
#include "pricetable/frmpreviaimportacao.h"
#include "pricetable/itemprice.h"
#include "pricetable/pricesheet.h"
#include "pricetable/sheetexport.h"
#include "pricetable/sheetfiledialog.h"

#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QStyle>
#include <QToolBar>

namespace vnd::pricetable
{

namespace
{

// The grid's columns as the sheets take them; the composition icon column holds no data.
QList<GridColumn> sheetColumnsOf(widgets::TDBGrid &grid)
{
    QList<GridColumn> out;
    for (const widgets::TColumn &c : grid.Columns())
        if (c.visible && c.fieldName.compare(u"NRCOMPPROD", Qt::CaseInsensitive) != 0)
            out.append({c.fieldName, c.caption()});
    return out;
}

} // namespace

void TfrmTabGeral::buildSheetCommands()
{
    QMenu *menu = menuBar->addMenu(QStringLiteral("&Planilha"));
    auto command = [&](const QIcon &icon, const QString &caption, const QKeySequence &key,
                       void (TfrmTabGeral::*handler)()) {
        auto *a = new QAction(icon, caption, this);
        a->setShortcut(key);
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        a->setToolTip(QStringLiteral("%1 (%2)").arg(
            QString(caption).remove(u'&').remove(QStringLiteral("...")),
            key.toString(QKeySequence::NativeText)));
        a->setEnabled(false);
        menu->addAction(a);
        panMenu->addAction(a);
        addAction(a);
        connect(a, &QAction::triggered, this,
                [this, handler] { guarded([&] { (this->*handler)(); }); });
        return a;
    };
    panMenu->addSeparator();
    sbtExportaPlanilha = command(
        widgets::hostIcon(widgets::Glyph::Exportar), QStringLiteral("&Exportar planilha..."),
        QKeySequence(Qt::CTRL | Qt::Key_E), &TfrmTabGeral::exportaPlanilha);
    sbtImportaPlanilha = command(
        style()->standardIcon(QStyle::SP_DialogOpenButton), QStringLiteral("&Importar planilha..."),
        QKeySequence(Qt::CTRL | Qt::Key_I), &TfrmTabGeral::importaPlanilha);
}

void TfrmTabGeral::habilitaPlanilha()
{
    // Both sheets are read as the grids hold them, so neither may be in the middle of an edit.
    const bool on =
        activePage() == Page::Form && cdsItemPreco->isActive() &&
        cdsItemPreco->state() == data::DataSetState::Browse && !cdsItemPreco->isEmpty() &&
        (!cdsPrecoHora->isActive() || cdsPrecoHora->state() == data::DataSetState::Browse);
    sbtExportaPlanilha->setEnabled(on);
    sbtImportaPlanilha->setEnabled(on);
}

void TfrmTabGeral::exportaPlanilha()
{
    const CurrentPeriod period = currentPeriodOf(*cdsVigenciaTab);
    const QString suggested =
        QStringLiteral("tabela-%1-%2.xlsx")
            .arg(period.cdTabePrec, period.dtIniVgPrec.toString(QStringLiteral("yyyy-MM-dd")));
    const QString path = askSheetFile(this, true, suggested);
    if (path.isEmpty())
        return;

    const ItemPriceSheet items(*cdsItemPreco, sheetColumnsOf(*dbsItemPreco), DBPictObj(ptProduto),
                               msgPadrao);
    // Every rule of the exported items, not only the current item's.
    FilterSuspended allRules(*cdsPrecoHora);
    const DayHourSheet rules(*cdsPrecoHora, sheetColumnsOf(*dbgPrecoHora), items.products(),
                             msgPadrao);

    QProgressDialog progress(QStringLiteral("Exportando planilha..."), QStringLiteral("Cancelar"),
                             0, 1000, this);
    progress.setWindowTitle(QStringLiteral("Exportar planilha"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    const QStringList files =
        exportSheets({&items, &rules}, path, [&progress](qint64 done, qint64 total) {
            progress.setValue(total > 0 ? int(done * 1000 / total) : 1000);
            return !progress.wasCanceled();
        });
    progress.reset();
    if (files.isEmpty())
        return;
    QStringList names;
    for (const QString &f : files)
        names << QFileInfo(f).fileName();
    ShowInfo(QStringLiteral("Planilha exportada: %1 preços e %2 preços diferenciados em %3.")
                 .arg(items.rowCount())
                 .arg(rules.rowCount())
                 .arg(names.join(QStringLiteral(" e "))));
}

void TfrmTabGeral::importaPlanilha()
{
    const QString path = askSheetFile(this, false);
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        MensErro(
            QStringLiteral("Não foi possível ler o arquivo %1: %2.").arg(path, file.errorString()));

    ImportCheck check;
    QStringList names;
    {
        widgets::BusyAnimation busy(1, QStringLiteral("Conferindo a planilha..."), this);
        check = checkImport(readCsv(file.readAll()), *cdsItemPreco, sheetColumnsOf(*dbsItemPreco),
                            msgPadrao);
        const int name = cdsItemPreco->fieldByName(u"NMPRODUTO").index();
        names.reserve(int(check.rows.size()));
        for (const ImportRow &r : check.rows)
            names << (r.itemRow >= 0 ? cdsItemPreco->valueAt(r.itemRow, name).toString()
                                     : QString());
    }
    if (!check.fileError.isEmpty())
        MensErro(check.fileError);
    if (check.rows.empty())
        MensErro(QStringLiteral("O arquivo %1 não tem linhas de preços.")
                     .arg(QFileInfo(path).fileName()));

    const CurrentPeriod period = currentPeriodOf(*cdsVigenciaTab);
    TfrmPreviaImportacao preview(
        check, names, path, msgPadrao,
        [this, &period, file = QFileInfo(path).fileName()](const data::ChangeSet &rows) {
            return server().SetImportaPreco(period.cdTabePrec, period.dtIniVgPrec, rows, file);
        },
        this);
    if (widgets::runDialog(preview) != QDialog::Accepted)
        return;
    // The grid shows what the server now holds.
    getItensTabGeral(QString(), QStringLiteral("T"));
    ShowInfo(
        QStringLiteral("Importação concluída: %1 preço(s) gravado(s).").arg(preview.written()));
}

} // namespace vnd::pricetable
