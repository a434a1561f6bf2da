#include "tools/audit/frmauditoria.h"

#include "host/net/netconnection.h"
#include "host/services/hostconfig.h"
#include "host/services/ui.h"
#include "host/widgets/dialogrunner.h"
#include "pricetable/csvsheet.h"
#include "pricetable/historytext.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vnd::audit
{

namespace
{

QPointer<TfrmAuditoria> s_window;

const char *const kColumns[] = {"DTALTERACAO", "CDUSUARIO", "DSENDERECO", "NMMETODO", "NMTABELA",
                                "IDOPERACAO",  "DSCHAVE",   "DSANTES",    "DSDEPOIS"};
const char16_t *const kTitles[] = {u"Quando",   u"Usuário", u"Endereço", u"Método", u"Tabela",
                                   u"Operação", u"Chave",   u"Antes",    u"Depois"};

QString text(const data::DataPacket &p, const data::Row &row, const char *column)
{
    const QVariant v = row[p.indexOf(QString::fromLatin1(column))];
    if (qstrcmp(column, "DTALTERACAO") == 0)
        return v.toDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    if (qstrcmp(column, "IDOPERACAO") == 0)
        return pricetable::historyOperationText(v.toString());
    return v.toString();
}

} // namespace

TfrmAuditoria::TfrmAuditoria(QWidget *parent)
    : QDialog(parent), m_net(std::make_unique<net::TNetConnection>()),
      m_server(std::make_unique<contracts::RdmTabGeral>(*m_net))
{
    setWindowTitle(QStringLiteral("Auditoria"));
    setObjectName(QStringLiteral("frmAuditoria"));
    resize(1000, 600);
    m_net->ServerName = QStringLiteral("vnd42700.rdmTabGeral");
    m_net->ThrowException = false;
    m_net->BeforeConnect = [](net::TNetConnection &c) {
        c.Host = WebURL();
        c.Port = WebPort();
    };

    auto *filters = new QFormLayout;
    m_from = new QDateTimeEdit(QDateTime(QDate::currentDate().addDays(-7), QTime(0, 0)), this);
    m_to = new QDateTimeEdit(QDateTime(QDate::currentDate(), QTime(23, 59, 59)), this);
    for (QDateTimeEdit *e : {m_from, m_to}) {
        e->setDisplayFormat(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
        e->setCalendarPopup(true);
    }
    m_from->setObjectName(QStringLiteral("edtDe"));
    m_to->setObjectName(QStringLiteral("edtAte"));
    m_user = new QLineEdit(this);
    m_user->setObjectName(QStringLiteral("edtUsuario"));
    m_method = new QComboBox(this);
    m_method->setObjectName(QStringLiteral("cbxMetodo"));
    m_method->setEditable(true);
    m_method->addItems({QString(), QStringLiteral("SetItemPreco"), QStringLiteral("setApagaPreco"),
                        QStringLiteral("SetPrecoHora"), QStringLiteral("setTabGeral"),
                        QStringLiteral("setVigenciaTab"), QStringLiteral("setFilTab"),
                        QStringLiteral("setConfirmar"), QStringLiteral("SetAddPrefixo"),
                        QStringLiteral("SetDelPrefixo"), QStringLiteral("SetUpdItemPrecoAlt"),
                        QStringLiteral("SetPrecDif"), QStringLiteral("--prune-history")});
    m_table = new QComboBox(this);
    m_table->setObjectName(QStringLiteral("cbxTabela"));
    m_table->addItems({QString(), QStringLiteral("TABEPRECGER"), QStringLiteral("TABEVEND"),
                       QStringLiteral("TABEPRECFILI"), QStringLiteral("ITEMPRECO"),
                       QStringLiteral("ITEMPRECODIA"), QStringLiteral("PRODUTO")});
    m_product = new QLineEdit(this);
    m_product->setObjectName(QStringLiteral("edtProduto"));
    filters->addRow(QStringLiteral("&De:"), m_from);
    filters->addRow(QStringLiteral("A&té:"), m_to);
    filters->addRow(QStringLiteral("&Usuário:"), m_user);
    filters->addRow(QStringLiteral("&Método:"), m_method);
    filters->addRow(QStringLiteral("T&abela:"), m_table);
    filters->addRow(QStringLiteral("&Produto:"), m_product);

    auto *search = new QPushButton(QStringLiteral("Pe&squisar"), this);
    search->setObjectName(QStringLiteral("btnPesquisar"));
    search->setDefault(true);
    m_more = new QPushButton(QStringLiteral("Mais &linhas"), this);
    m_more->setObjectName(QStringLiteral("btnMaisLinhas"));
    m_more->setEnabled(false);
    auto *csv = new QPushButton(QStringLiteral("Exportar &CSV..."), this);
    csv->setObjectName(QStringLiteral("btnExportarCsv"));
    auto *close = new QPushButton(QStringLiteral("&Fechar"), this);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {search, m_more, csv})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(close);

    m_lines = new QTableWidget(0, int(std::size(kTitles)), this);
    m_lines->setObjectName(QStringLiteral("grdAuditoria"));
    QStringList titles;
    for (const char16_t *t : kTitles)
        titles << QString::fromUtf16(t);
    m_lines->setHorizontalHeaderLabels(titles);
    m_lines->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Read-only: Tab leaves the table for the buttons, arrows move inside it.
    m_lines->setTabKeyNavigation(false);
    m_lines->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lines->horizontalHeader()->setStretchLastSection(true);
    m_lines->verticalHeader()->hide();
    m_lines->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addLayout(buttons);
    layout->addWidget(m_lines, 1);

    connect(search, &QPushButton::clicked, this, [this] { guarded([this] { pesquisa(); }); });
    connect(m_more, &QPushButton::clicked, this, [this] { guarded([this] { maisLinhas(); }); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(csv, &QPushButton::clicked, this, [this] {
        guarded([this] {
            QFileDialog dialog(this, QStringLiteral("Exportar CSV"));
            dialog.setOption(QFileDialog::DontUseNativeDialog);
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setNameFilter(QStringLiteral("CSV separado por ponto e vírgula (*.csv)"));
            dialog.setLabelText(QFileDialog::Accept, QStringLiteral("&Salvar"));
            dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Cancelar"));
            dialog.setDirectory(QDir::homePath());
            dialog.selectFile(QStringLiteral("auditoria.csv"));
            if (widgets::runDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
                return;
            const QString path = dialog.selectedFiles().constFirst();
            if (path.isEmpty())
                return;
            const qint64 n = exportaCsv(path);
            ShowInfo(QStringLiteral("%1 linha(s) exportada(s) para %2.").arg(n).arg(path));
        });
    });
    m_net->open();
}

TfrmAuditoria::~TfrmAuditoria() = default;

data::DataPacket TfrmAuditoria::page(qint64 below, int size)
{
    return CheckResultServ(
        m_server->getHistAlteracoes(m_from->dateTime(), m_to->dateTime(), m_user->text().trimmed(),
                                    m_method->currentText().trimmed(), m_table->currentText(),
                                    m_product->text().trimmed(), below, size),
        true, 0);
}

void TfrmAuditoria::append(const data::DataPacket &p)
{
    int r = m_lines->rowCount();
    m_lines->setRowCount(r + int(p.rows.size()));
    for (const data::Row &row : p.rows) {
        for (int c = 0; c < int(std::size(kColumns)); ++c) {
            auto *item = new QTableWidgetItem(text(p, row, kColumns[c]));
            item->setToolTip(item->text()); // a row's before and after outgrow their columns
            m_lines->setItem(r, c, item);
        }
        m_last = row[p.indexOf(QStringLiteral("NRALTERACAO"))].toLongLong();
        ++r;
    }
    m_more->setEnabled(int(p.rows.size()) == pageSize);
}

void TfrmAuditoria::pesquisa()
{
    m_lines->setRowCount(0);
    m_last = 0;
    append(page(0, pageSize));
    if (m_lines->rowCount() > 0)
        m_lines->selectRow(0);
}

void TfrmAuditoria::maisLinhas()
{
    if (m_last > 0)
        append(page(m_last, pageSize));
}

qint64 TfrmAuditoria::exportaCsv(const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        MensErro(QStringLiteral("Não foi possível gravar o arquivo %1.").arg(path));
    // As Brazilian spreadsheets read it: UTF-8 with a byte order mark, ';'.
    QByteArray out("\xEF\xBB\xBF");
    QStringList titles;
    for (const char16_t *t : kTitles)
        titles << pricetable::csvField(QString::fromUtf16(t));
    out += titles.join(u';').toUtf8() + "\r\n";
    qint64 written = 0, below = 0;
    constexpr int kBatch = 10000;
    for (;;) {
        const data::DataPacket p = page(below, kBatch);
        for (const data::Row &row : p.rows) {
            QStringList cells;
            for (const char *c : kColumns)
                cells << pricetable::csvField(text(p, row, c));
            out += cells.join(u';').toUtf8() + "\r\n";
            below = row[p.indexOf(QStringLiteral("NRALTERACAO"))].toLongLong();
            ++written;
        }
        file.write(out);
        out.clear();
        if (int(p.rows.size()) < kBatch)
            break;
    }
    if (!file.commit())
        MensErro(QStringLiteral("Não foi possível gravar o arquivo %1.").arg(path));
    return written;
}

void criaAuditoria()
{
    if (s_window) {
        s_window->activateWindow();
        return;
    }
    s_window = new TfrmAuditoria(QApplication::activeWindow());
    s_window->setAttribute(Qt::WA_DeleteOnClose);
    s_window->show();
}

} // namespace vnd::audit
