#include "host/widgets/pesquisalista.h"

#include "host/services/ui.h"
#include "host/widgets/dbgrid.h"
#include "host/widgets/dialogrunner.h"
#include "host/widgets/hostwindows.h"
#include "host/widgets/lookuplayout.h"
#include "host/widgets/pesquisar.h"
#include "host/widgets/syscolors.h"
#include "host/widgets/taborder.h"
#include "host/widgets/typeahead.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QVBoxLayout>

namespace vnd::widgets
{

QStringList parseListText(const QString &list, int keyWidth)
{
    // Read by position, as the module does: "_" then keyWidth characters.
    QStringList keys;
    qsizetype p = list.indexOf(u'_');
    while (p >= 0 && p + 1 < list.size()) {
        const QString key = list.mid(p + 1, keyWidth).trimmed();
        if (!key.isEmpty())
            keys.append(key);
        p = list.indexOf(u'_', p + 1 + keyWidth);
    }
    return keys;
}

QString makeListText(const QStringList &keys, int keyWidth)
{
    if (keys.isEmpty())
        return {};
    QString out;
    out.reserve(keys.size() * (keyWidth + 1) + 1);
    for (const QString &k : keys) {
        out += u'_';
        out += k.leftJustified(keyWidth, u' ', true);
    }
    return out + u'_';
}

PesquisaListaDialog::PesquisaListaDialog(data::DataSource *source, const QString &keyField,
                                         const QString &title, const QString &list, QWidget *parent)
    : QDialog(parent), m_source(source), m_grid(new TDBGrid(this)), m_search(new QLineEdit(this)),
      m_field(new QComboBox(this)), m_count(new QLabel(this)), m_notice(new QLabel(this))
{
    setWindowTitle(title.isEmpty() ? QStringLiteral("Selecionar") : title);
    data::ClientDataSet *ds = source->dataSet();
    m_key = &ds->fieldByName(keyField);
    m_keyWidth = m_key->size() > 0 ? m_key->size() : 10;
    const QStringList wanted = parseListText(list, m_keyWidth);
    if (!wanted.isEmpty()) {
        const QSet<QString> keys(wanted.cbegin(), wanted.cend());
        for (int row = 0; row < ds->recordCount(); ++row)
            if (keys.contains(keyAt(row)))
                m_marked.insert(keyAt(row));
    }

    // The mark column is bound to no field: it is drawn from the marks, and stays narrow.
    m_grid->addColumn(QString(), QStringLiteral("✓"), 26);
    for (int i : shownFields(*ds)) {
        const data::Field &f = ds->field(i);
        if (&f != m_key && f.fieldName().compare(u"IDMARCADO", Qt::CaseInsensitive))
            m_grid->addColumn(f.fieldName());
    }
    Internal::setUpLookupGrid(m_grid, source);
    m_typeAhead = new TypeAhead(m_grid, m_field, m_search, m_notice);
    m_grid->onDrawColumnCell = [this](const QRect &r, int ci, TColumn &, GridDrawState st) {
        if (ci != 0)
            return;
        TCanvas &c = m_grid->Canvas();
        c.FillRect(r);
        QStyleOptionButton box;
        box.rect = QRect(r.center().x() - 7, r.center().y() - 7, 14, 14);
        box.state =
            QStyle::State_Enabled |
            (m_marked.contains(m_key->asString().trimmed()) ? QStyle::State_On : QStyle::State_Off);
        m_grid->style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, c.painter(), m_grid);
        if (st.focused)
            c.DrawFocusRect(r);
    };
    m_grid->onCellClick = [this](TColumn &col) {
        if (&col == &m_grid->Columns()[0])
            toggleCurrent();
    };
    m_grid->onKeyDown = [this](int &key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Space) {
            key = 0;
            toggleCurrent();
        }
    };
    m_grid->onKeyPress = [](QChar &ch) {
        if (ch == u' ')
            ch = QChar();
    };
    m_search->installEventFilter(this);

    auto *layout = new QVBoxLayout(this);
    auto *hint = new QLabel(
        QStringLiteral("Marque os registros com um clique na primeira coluna ou com a barra de "
                       "espaço. Digite para localizar; Enter marca o registro localizado."),
        this);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    layout->addLayout(Internal::searchRow(this, m_field, m_search, m_notice));
    layout->addWidget(m_grid, 1);
    auto *row = new QHBoxLayout;
    auto *all = new QPushButton(QStringLiteral("&Marcar todos"), this);
    auto *none = new QPushButton(QStringLiteral("&Desmarcar todos"), this);
    connect(all, &QPushButton::clicked, this, [this] { markAll(true); });
    connect(none, &QPushButton::clicked, this, [this] { markAll(false); });
    row->addWidget(all);
    row->addWidget(none);
    row->addWidget(m_count);
    row->addStretch(1);
    row->addWidget(Internal::confirmButtons(this));
    layout->addLayout(row);
    showCount();
    resize(640, 440);
    m_search->setFocus();
}

QString PesquisaListaDialog::keyAt(int row) const
{
    return m_source->dataSet()->textAt(row, m_key->index(), false).trimmed();
}

bool PesquisaListaDialog::isMarked(int row) const
{
    return m_marked.contains(keyAt(row));
}

void PesquisaListaDialog::showCount()
{
    m_count->setText(QStringLiteral("Marcados: %1 de %2")
                         .arg(m_marked.size())
                         .arg(m_source->dataSet()->recordCount()));
}

void PesquisaListaDialog::toggleCurrent()
{
    data::ClientDataSet *ds = m_source->dataSet();
    if (ds->isEmpty())
        return;
    const QString key = keyAt(ds->recNo());
    if (!m_marked.remove(key))
        m_marked.insert(key);
    showCount();
    m_grid->viewport()->update();
}

void PesquisaListaDialog::markAll(bool on)
{
    data::ClientDataSet *ds = m_source->dataSet();
    if (on) {
        m_marked.reserve(ds->recordCount());
        for (int row = 0; row < ds->recordCount(); ++row)
            m_marked.insert(keyAt(row));
    } else {
        m_marked.clear();
    }
    showCount();
    m_grid->viewport()->update();
}

QString PesquisaListaDialog::listText() const
{
    data::ClientDataSet *ds = m_source->dataSet();
    QStringList keys;
    keys.reserve(m_marked.size());
    for (int row = 0; row < ds->recordCount() && keys.size() < m_marked.size(); ++row) {
        QString key = keyAt(row);
        if (m_marked.contains(key))
            keys.append(std::move(key));
    }
    return makeListText(keys, m_keyWidth);
}

bool PesquisaListaDialog::seek(const QString &text)
{
    return m_typeAhead->seek(text);
}

bool PesquisaListaDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_search && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Marks the row found, and leaves the text selected for the next code. A text no
            // row begins with marks nothing: the row left current is not what was typed.
            if (!m_search->text().isEmpty() && m_typeAhead->found())
                toggleCurrent();
            m_search->selectAll();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool PesquisaListaDialog::focusNextPrevChild(bool next)
{
    return tabInReadingOrder(this, next) || QDialog::focusNextPrevChild(next);
}

bool PesquisaLista(data::DataSource *source, const QString &keyField, const QString &caption, bool,
                   QString &list)
{
    const LookupCaption c = splitCaption(caption);
    data::ClientDataSet *ds = source ? source->dataSet() : nullptr;
    if (!ds || !ds->isActive() || ds->isEmpty()) {
        ShowInfo(c.notFound.isEmpty() ? QStringLiteral("Nenhum registro encontrado.") : c.notFound);
        return false;
    }
    PesquisaListaDialog dialog(source, keyField, c.title, list, dialogParent());
    if (runDialog(dialog) != QDialog::Accepted)
        return false;
    list = dialog.listText();
    return true;
}

} // namespace vnd::widgets
