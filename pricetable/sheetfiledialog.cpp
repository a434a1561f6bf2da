#include "pricetable/sheetfiledialog.h"

#include "host/services/ui.h"
#include "host/widgets/dialogrunner.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace vnd::pricetable
{

QString askSheetFile(QWidget *parent, bool save, const QString &suggested)
{
    const QString xlsx = QStringLiteral("Planilha do Excel (*.xlsx)");
    const QString csv = QStringLiteral("CSV separado por ponto e vírgula (*.csv)");
    QFileDialog dialog(parent, save ? QStringLiteral("Exportar planilha")
                                    : QStringLiteral("Importar planilha"));
    // Qt's own dialog: the same in every desktop, and reachable by the dialog runner.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // Asked below through the host's messages, which tests answer.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(save ? QStringList{xlsx, csv} : QStringList{csv});
    dialog.setLabelText(QFileDialog::Accept,
                        save ? QStringLiteral("&Salvar") : QStringLiteral("&Abrir"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Cancelar"));
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("Pasta:"));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("Arquivo:"));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("Tipo:"));
    // The folder of the last sheet exported or imported, as the user left it; the home folder
    // at first, not wherever the program was started from.
    static QString lastFolder = QDir::homePath();
    dialog.setDirectory(lastFolder);
    if (!suggested.isEmpty())
        dialog.selectFile(suggested);
    if (widgets::runDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    QString file = dialog.selectedFiles().constFirst();
    lastFolder = QFileInfo(file).absolutePath();
    if (save && QFileInfo(file).suffix().isEmpty())
        file +=
            dialog.selectedNameFilter() == csv ? QStringLiteral(".csv") : QStringLiteral(".xlsx");
    if (save && QFileInfo::exists(file) &&
        ShowMsg(QStringLiteral("O arquivo %1 já existe. Deseja substituí-lo?").arg(file),
                mtConfirmation, mbYesNo, 0) != mrYes)
        return {};
    return file;
}

} // namespace vnd::pricetable
