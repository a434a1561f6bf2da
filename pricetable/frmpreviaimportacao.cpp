#include "pricetable/frmpreviaimportacao.h"

#include "host/services/ui.h"
#include "host/widgets/busyanimation.h"
#include "host/widgets/enterpress.h"
#include "pricetable/itempricefields.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace vnd::pricetable
{

namespace
{

QString plural(qint64 n, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf8(n == 1 ? one : many));
}

} // namespace

data::ChangeSet importChanges(const ImportCheck &check)
{
    // The key and the fields some row changes: the server compares only those with the
    // stored rows and writes only them, so they are all a row needs to carry.
    QStringList carried;
    std::vector<ImportField> readers;
    for (const QString &f : importableFields()) {
        const ImportField field(f);
        for (const ImportRow &r : check.rows)
            if (r.status == ImportStatus::Changed && field.differs(r.before, r.after)) {
                carried << f;
                readers.push_back(field);
                break;
            }
    }
    // Typed as the item grid's dataset types them.
    const QList<data::FieldDef> defs = itemPrecoFieldDefs();
    const auto defOf = [&defs](const QString &name) {
        return *std::find_if(defs.cbegin(), defs.cend(),
                             [&name](const data::FieldDef &d) { return d.name == name; });
    };
    data::ChangeSet set;
    set.fields = {defOf(QStringLiteral("CDPRODUTO"))};
    for (const QString &f : carried)
        set.fields.append(defOf(f));
    set.changes.reserve(size_t(check.changed));
    const auto rowOf = [&readers](const QString &code, const ItemPriceValues &v) {
        data::Row row{code};
        row.reserve(qsizetype(readers.size()) + 1);
        for (const ImportField &f : readers)
            row.append(f.value(v));
        return row;
    };
    for (const ImportRow &r : check.rows)
        if (r.status == ImportStatus::Changed)
            set.changes.push_back({data::Change::Op::Modify, rowOf(r.cdProduto, r.before),
                                   rowOf(r.cdProduto, r.after)});
    return set;
}

TfrmPreviaImportacao::TfrmPreviaImportacao(const ImportCheck &check, QStringList names,
                                           const QString &fileName, const MessageTable &messages,
                                           Save save, QWidget *parent)
    : QDialog(parent), lblArquivo(new QLabel(this)), lblContagem(new QLabel(this)),
      lblIgnoradas(new QLabel(this)), grdPrevia(new QTableView(this)),
      chbIgnorar(new QCheckBox(QStringLiteral("&ignorar linhas com erro"), this)),
      sbtConfirmar(new QPushButton(QStringLiteral("&Confirmar"), this)),
      sbtVoltar(new QPushButton(QStringLiteral("&Voltar"), this)), m_check(check),
      m_model(new ImportPreviewModel(check, std::move(names), messages, this)),
      m_save(std::move(save))
{
    setWindowTitle(QStringLiteral("Importar planilha - pré-visualização"));
    lblArquivo->setText(QStringLiteral("Arquivo: %1").arg(QFileInfo(fileName).fileName()));
    lblContagem->setText(QStringLiteral("Alterados: %1    Sem alteração: %2    Recusados: %3")
                             .arg(check.changed)
                             .arg(check.unchanged)
                             .arg(check.refused));
    QFont bold = lblContagem->font();
    bold.setBold(true);
    lblContagem->setFont(bold);
    lblIgnoradas->setText(QStringLiteral("Colunas do arquivo que não são importadas: %1.")
                              .arg(check.ignoredTitles.join(QStringLiteral(", "))));
    lblIgnoradas->setVisible(!check.ignoredTitles.isEmpty());

    grdPrevia->setModel(m_model);
    grdPrevia->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdPrevia->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Read-only: Tab leaves the table for the buttons, arrows move inside it.
    grdPrevia->setTabKeyNavigation(false);
    grdPrevia->verticalHeader()->setVisible(false);
    // Fixed heights and widths: sizing to contents would visit every row.
    grdPrevia->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grdPrevia->verticalHeader()->setDefaultSectionSize(grdPrevia->fontMetrics().height() + 6);
    grdPrevia->horizontalHeader()->setStretchLastSection(true);
    grdPrevia->setColumnWidth(0, 50);
    grdPrevia->setColumnWidth(1, 100);
    grdPrevia->setColumnWidth(2, 220);
    for (int c = 3; c < m_model->columnCount() - 1; ++c)
        grdPrevia->setColumnWidth(c, 120);
    // The row's situation (its error, when refused) next to the product, not past every price.
    const int situation = m_model->columnCount() - 1;
    grdPrevia->horizontalHeader()->moveSection(situation, 3);
    grdPrevia->setColumnWidth(situation, 260);

    chbIgnorar->setVisible(check.refused > 0);
    // Neither is the default, so Enter in the list confirms nothing; on the button it presses it.
    sbtConfirmar->setAutoDefault(false);
    sbtVoltar->setAutoDefault(false);
    widgets::pressOnEnter(sbtConfirmar);
    widgets::pressOnEnter(sbtVoltar);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(chbIgnorar);
    buttons->addStretch(1);
    buttons->addWidget(sbtConfirmar);
    buttons->addWidget(sbtVoltar);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblArquivo);
    layout->addWidget(lblContagem);
    layout->addWidget(lblIgnoradas);
    layout->addWidget(grdPrevia, 1);
    layout->addLayout(buttons);
    resize(1000, 560);

    connect(chbIgnorar, &QCheckBox::toggled, this, [this] { habilita(); });
    connect(sbtVoltar, &QPushButton::clicked, this, &QDialog::reject);
    connect(sbtConfirmar, &QPushButton::clicked, this,
            [this] { guarded([this] { confirmar(); }); });
    habilita();
}

void TfrmPreviaImportacao::habilita()
{
    sbtConfirmar->setEnabled(!m_conflict && m_check.changed > 0 &&
                             (m_check.refused == 0 || chbIgnorar->isChecked()));
}

void TfrmPreviaImportacao::confirmar()
{
    QString question = QStringLiteral("Confirma a importação de %1?")
                           .arg(plural(m_check.changed, "preço alterado", "preços alterados"));
    if (m_check.refused == 1)
        question += QStringLiteral(" A linha com erro não será importada.");
    else if (m_check.refused > 1)
        question +=
            QStringLiteral(" As %1 linhas com erro não serão importadas.").arg(m_check.refused);
    if (ShowMsg(question, mtConfirmation, mbYesNo, 0) != mrYes)
        return;

    data::Reply reply;
    {
        widgets::BusyAnimation busy(1, QStringLiteral("Gravando os preços importados..."), this);
        reply = m_save(importChanges(m_check));
    }
    if (reply.ok) {
        m_written =
            reply.result.kind() == data::Value::Kind::Integer ? reply.result.toInteger() : 0;
        accept();
        return;
    }
    if (reply.errorCode != u"conflict" || reply.errorRows.isEmpty()) {
        CheckResultServ(reply, true, 0);
        return;
    }
    // Nothing was saved: the rows another user changed are marked, and this preview can no
    // longer be confirmed.
    const QSet<QString> changed(reply.errorRows.cbegin(), reply.errorRows.cend());
    m_model->markChangedElsewhere(changed);
    m_conflict = true;
    habilita();
    QStringList shown;
    for (const ImportRow &r : m_check.rows)
        if (changed.contains(r.cdProduto) && shown.size() < 10)
            shown << r.product;
    MensErro(
        QStringLiteral("%1\n%2 depois da pré-visualização: %3%4. Nada foi gravado.")
            .arg(
                reply.errorMessage,
                changed.size() == 1
                    ? QStringLiteral("Produto alterado por outro usuário")
                    : QStringLiteral("%1 produtos alterados por outro usuário").arg(changed.size()),
                shown.join(QStringLiteral(", ")),
                changed.size() > shown.size() ? QStringLiteral(", ...") : QString()));
}

} // namespace vnd::pricetable
