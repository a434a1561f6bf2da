#pragma once
// TfrmPreviaImportacao: the preview of a spreadsheet import. Every row of the file as
// current → new, the refused ones with the grid's message, the counts of rows changed,
// unchanged and refused. "Confirmar" saves the changed rows in one call, only when no row
// was refused or "ignorar linhas com erro" is ticked (the confirmation says so); rows another
// user changed since the preview come back refused, marked, and nothing is saved.

#include "pricetable/importpreviewmodel.h"
#include "pricetable/priceimport.h"
#include "wire/value.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;
class QTableView;

namespace vnd::pricetable
{

class TfrmPreviaImportacao final : public QDialog
{
    Q_OBJECT
public:
    // save sends the changes and answers the server's reply.
    using Save = std::function<data::Reply(const data::ChangeSet &)>;

    TfrmPreviaImportacao(const ImportCheck &check, QStringList names, const QString &fileName,
                         const MessageTable &messages, Save save, QWidget *parent = nullptr);

    QLabel *lblArquivo, *lblContagem, *lblIgnoradas;
    QTableView *grdPrevia;
    QCheckBox *chbIgnorar;
    QPushButton *sbtConfirmar, *sbtVoltar;

    // Rows written by the save; -1 until it succeeded.
    qint64 written() const { return m_written; }

private:
    void habilita();
    void confirmar();

    const ImportCheck &m_check;
    ImportPreviewModel *m_model;
    Save m_save;
    bool m_conflict = false;
    qint64 m_written = -1;
};

// The changed rows as the save sends them: CDPRODUTO and each editable field some row
// changes, the values as previewed and the values to store.
data::ChangeSet importChanges(const ImportCheck &check);

} // namespace vnd::pricetable
