#include "pricetable/itemhistorydialog.h"

#include "host/services/ui.h"
#include "pricetable/historytext.h"

#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vnd::pricetable
{

namespace
{

const QColor kBefore(0xfd, 0xe2, 0xe1);
const QColor kAfter(0xdc, 0xf5, 0xdc);

QTableWidget *table(const QStringList &titles, QWidget *parent)
{
    auto *t = new QTableWidget(0, int(titles.size()), parent);
    t->setHorizontalHeaderLabels(titles);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Read-only: Tab leaves the table for the buttons, arrows move inside it.
    t->setTabKeyNavigation(false);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->verticalHeader()->hide();
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

QTableWidgetItem *cell(const QString &text, const QColor &background = QColor())
{
    auto *item = new QTableWidgetItem(text);
    if (background.isValid())
        item->setBackground(background);
    return item;
}

QString recordName(const QString &table, const QString &rule)
{
    return table == QLatin1String("ITEMPRECODIA")
               ? QStringLiteral("Preço diferenciado %1").arg(rule)
               : QStringLiteral("Preço");
}

} // namespace

ItemHistoryDialog::ItemHistoryDialog(contracts::RdmTabGeral &server, HistoryItem item,
                                     std::function<QString(const QString &)> fieldCaption,
                                     ValueText valueText, QWidget *parent)
    : QDialog(parent), m_server(server), m_item(std::move(item)),
      m_caption(std::move(fieldCaption)), m_text(std::move(valueText))
{
    setWindowTitle(QStringLiteral("Histórico - %1").arg(m_item.caption));
    resize(900, 560);
    auto *layout = new QVBoxLayout(this);
    m_changes =
        table({QStringLiteral("Quando"), QStringLiteral("Usuário"), QStringLiteral("Operação"),
               QStringLiteral("Registro"), QStringLiteral("Campo"), QStringLiteral("Antes"),
               QStringLiteral("Depois"), QStringLiteral("Origem")},
              this);
    m_changes->setObjectName(QStringLiteral("grdHistorico"));
    layout->addWidget(m_changes, 3);

    auto *row = new QHBoxLayout;
    auto *label = new QLabel(QStringLiteral("Como estava &em:"), this);
    m_moment = new QDateTimeEdit(QDateTime::currentDateTime(), this);
    m_moment->setObjectName(QStringLiteral("edtMomento"));
    m_moment->setDisplayFormat(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    m_moment->setCalendarPopup(true);
    label->setBuddy(m_moment);
    auto *show = new QPushButton(QStringLiteral("&Mostrar"), this);
    show->setObjectName(QStringLiteral("btnMostrar"));
    row->addWidget(label);
    row->addWidget(m_moment);
    row->addWidget(show);
    row->addStretch();
    layout->addLayout(row);
    m_asItStood =
        table({QStringLiteral("Registro"), QStringLiteral("Campo"), QStringLiteral("Valor")}, this);
    m_asItStood->setObjectName(QStringLiteral("grdComoEstava"));
    layout->addWidget(m_asItStood, 2);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("&Fechar"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(show, &QPushButton::clicked, this, [this] { guarded([this] { showAsItStood(); }); });
    connect(m_moment, &QDateTimeEdit::editingFinished, this,
            [this] { guarded([this] { showAsItStood(); }); });
    // Pressing Enter in the moment shows it, not closes the dialog.
    show->setDefault(true);

    loadChanges();
}

void ItemHistoryDialog::loadChanges()
{
    const data::DataPacket p = CheckResultServ(
        m_server.getHistItemPreco(m_item.table, m_item.periodStart, m_item.product, m_item.parent),
        true, 0);
    const auto f = [&p](const char *name) { return p.indexOf(QString::fromLatin1(name)); };
    m_changes->setRowCount(int(p.rows.size()));
    int r = 0;
    for (const data::Row &row : p.rows) {
        const QString field = row[f("NMCAMPO")].toString();
        const QVariant before = row[f("DSANTES")], after = row[f("DSDEPOIS")];
        m_changes->setItem(r, 0,
                           cell(row[f("DTALTERACAO")].toDateTime().toString(
                               QStringLiteral("dd/MM/yyyy HH:mm:ss"))));
        m_changes->setItem(r, 1, cell(row[f("CDUSUARIO")].toString()));
        m_changes->setItem(r, 2, cell(historyOperationText(row[f("IDOPERACAO")].toString())));
        m_changes->setItem(
            r, 3, cell(recordName(row[f("NMTABELA")].toString(), row[f("DSREGRA")].toString())));
        m_changes->setItem(r, 4, cell(m_caption(field)));
        m_changes->setItem(r, 5, cell(m_text(field, before), kBefore));
        auto *now = cell(m_text(field, after), kAfter);
        QFont bold = now->font();
        bold.setBold(true);
        now->setFont(bold);
        m_changes->setItem(r, 6, now);
        m_changes->setItem(r, 7,
                           cell(QStringLiteral("%1 (%2)").arg(row[f("NMMETODO")].toString(),
                                                              row[f("DSENDERECO")].toString())));
        ++r;
    }
    m_changes->resizeColumnsToContents();
    if (r > 0)
        m_changes->selectRow(0);
}

void ItemHistoryDialog::showAsItStood()
{
    const QDateTime at = m_moment->dateTime();
    const data::DataPacket price =
        CheckResultServ(m_server.getItemPrecoEm(m_item.table, m_item.periodStart, m_item.product,
                                                m_item.parent, at),
                        true, 0);
    const data::DataPacket rules =
        CheckResultServ(m_server.GetPrecoHoraEm(m_item.table, m_item.periodStart, m_item.product,
                                                m_item.parent, at),
                        true, 0);
    m_asItStood->setRowCount(0);
    const auto add = [this](const QString &record, const QString &field, const QVariant &value) {
        const int r = m_asItStood->rowCount();
        m_asItStood->insertRow(r);
        m_asItStood->setItem(r, 0, cell(record));
        m_asItStood->setItem(r, 1, cell(m_caption(field)));
        m_asItStood->setItem(r, 2, cell(m_text(field, value)));
    };
    // The item's own key is the selection; only its values are shown.
    static const QStringList itemKey = {QStringLiteral("CDTABEPREC"), QStringLiteral("DTINIVGPREC"),
                                        QStringLiteral("CDPRODUTO"),
                                        QStringLiteral("CDPRPAITABPR")};
    if (price.rows.empty())
        add(QStringLiteral("Preço"), QString(), QStringLiteral("(sem preço)"));
    for (const data::Row &row : price.rows)
        for (int i = 0; i < price.fields.size(); ++i)
            if (!itemKey.contains(price.fields[i].name))
                add(QStringLiteral("Preço"), price.fields[i].name, row[i]);
    for (const data::Row &row : rules.rows) {
        QStringList identity;
        for (const char *k :
             {"CDTIPOCONSPD", "NRDIASEMANPR", "HRINIPRECDIA", "HRFINPRECDIA", "DTINIVALPREC"})
            identity << row[rules.indexOf(QString::fromLatin1(k))].toString();
        for (int i = 0; i < rules.fields.size(); ++i)
            if (!itemKey.contains(rules.fields[i].name))
                add(recordName(QStringLiteral("ITEMPRECODIA"), identity.join(QLatin1String(" / "))),
                    rules.fields[i].name, row[i]);
    }
    m_asItStood->resizeColumnsToContents();
}

} // namespace vnd::pricetable
