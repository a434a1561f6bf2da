#include "tools/selection/productselection.h"

#include "host/services/codes.h"
#include "host/services/picture.h"
#include "host/services/ui.h"
#include "host/widgets/btnpesquisa.h"
#include "host/widgets/lookupkey.h"
#include "host/widgets/maskedit.h"
#include "host/widgets/pesquisalista.h"
#include "tools/selection/chosenproducts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace vnd::selection
{

using widgets::TBtnPesquisa;
using widgets::TMaskEdit;

void applyProductPicture(data::Field &treeCode)
{
    treeCode.editMask = DBPict(ptProduto);
    treeCode.onGetText = [picture = DBPictObj(ptProduto)](const data::Field &f, bool display) {
        const QString code = f.asString();
        return display && !code.isEmpty() ? picture.format(code) : code;
    };
}

ProductSelection::ProductSelection(SelectionProfile profile, QString &list, QWidget *parent)
    : QGroupBox(QStringLiteral("Produto"), parent), rbtTodos(new QRadioButton(this)),
      rbtLista(new QRadioButton(this)), btnListaProd(new QToolButton(this)),
      m_profile(std::move(profile)), m_list(list)
{
    rbtTodos->setObjectName(QStringLiteral("rbtTodos"));
    rbtTodos->setText(QStringLiteral("Todos"));
    rbtTodos->setChecked(true);
    rbtLista->setObjectName(QStringLiteral("rbtLista"));
    rbtLista->setText(QStringLiteral("Lista"));
    // Looks like the host's lookup button, but opens the list picker.
    btnListaProd->setObjectName(QStringLiteral("btnListaProd"));
    btnListaProd->setToolTip(QStringLiteral("Pesquisar"));
    btnListaProd->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    btnListaProd->setFocusPolicy(Qt::NoFocus);
    btnListaProd->setEnabled(false);
    widgets::bindLookupKey(rbtLista, btnListaProd);

    auto *choices = new QHBoxLayout;
    choices->addWidget(rbtTodos);
    choices->addSpacing(12);
    choices->addWidget(rbtLista);
    choices->addWidget(btnListaProd);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    if (m_profile.withRange)
        buildRange(choices, layout);
    choices->addStretch(1);

    // Only a choice made by the user sets the states: at opening the code fields stay
    // enabled although "Todos" is selected.
    connect(rbtTodos, &QRadioButton::toggled, this, [this](bool on) {
        if (!on)
            return;
        applyStates();
        m_list.clear();
    });
    connect(rbtLista, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            applyStates();
    });
    connect(btnListaProd, &QToolButton::clicked, this, [this] { guarded([this] { pickList(); }); });
}

void ProductSelection::buildRange(QHBoxLayout *choices, QVBoxLayout *layout)
{
    rbtIntervalo = new QRadioButton(QStringLiteral("Intervalo"), this);
    rbtIntervalo->setObjectName(QStringLiteral("rbtIntervalo"));
    choices->addSpacing(12);
    choices->addWidget(rbtIntervalo);

    auto *grid = new QGridLayout;
    auto row = [this, grid](int r, const QString &label, const char *codeName,
                            const char *buttonName, const char *nameName) {
        auto *code = new TMaskEdit(this);
        code->setObjectName(QString::fromLatin1(codeName));
        auto *button = new TBtnPesquisa(this);
        button->setObjectName(QString::fromLatin1(buttonName));
        button->caption = QStringLiteral("Produto");
        button->setEnabled(false);
        auto *name = new QLineEdit(this);
        name->setObjectName(QString::fromLatin1(nameName));
        name->setEnabled(false);
        grid->addWidget(new QLabel(label, this), r, 0);
        grid->addWidget(code, r, 1);
        grid->addWidget(button, r, 2);
        grid->addWidget(name, r, 3);
        widgets::bindLookupKey(code, button);
        code->onChange = [name] { name->clear(); };
        button->onBeforePesq = [this](TBtnPesquisa &b) {
            b.setDataSource(m_profile.rangeProducts());
        };
        button->onAfterPesq = [this, code, name](TBtnPesquisa &b) { afterLookup(b, code, name); };
        return std::tuple{code, button, name};
    };
    std::tie(medProdIni, btnProdutoIni, edtNomeIni) =
        row(0, QStringLiteral("Inicial"), "medProdIni", "btnProdutoIni", "edtNomeIni");
    std::tie(medProdFim, btnProdutoFim, edtNomeFim) =
        row(1, QStringLiteral("Final"), "medProdFim", "btnProdutoFim", "edtNomeFim");
    grid->setColumnStretch(3, 1);
    layout->addLayout(grid);

    medProdIni->onExit = [this] { checkStart(false); };
    medProdFim->onExit = [this] { checkEnd(false); };
    connect(rbtIntervalo, &QRadioButton::toggled, this, [this](bool on) {
        if (!on)
            return;
        applyStates();
        if (m_profile.intervaloEmptiesList)
            m_list.clear();
    });
}

void ProductSelection::applyStates()
{
    btnListaProd->setEnabled(rbtLista->isChecked());
    if (!rbtIntervalo)
        return;
    const bool range = rbtIntervalo->isChecked();
    for (QWidget *w :
         std::initializer_list<QWidget *>{medProdIni, medProdFim, btnProdutoIni, btnProdutoFim})
        w->setEnabled(range);
}

Mode ProductSelection::mode() const
{
    if (rbtLista->isChecked())
        return Mode::Lista;
    if (rbtIntervalo && rbtIntervalo->isChecked())
        return Mode::Intervalo;
    return Mode::Todos;
}

void ProductSelection::activate()
{
    if (medProdIni) {
        const QString mask = DBPict(ptProduto);
        medProdIni->setEditMask(mask);
        medProdFim->setEditMask(mask);
    }
    if (m_profile.activationEmptiesList)
        m_list.clear();
}

void ProductSelection::pickList()
{
    data::DataSource *offered = m_profile.offeredProducts();
    widgets::PesquisaLista(offered, QStringLiteral("CDPRODUTO"), m_profile.pickerTitle, false,
                           m_list);
}

void ProductSelection::checkStart(bool required)
{
    checkCode(medProdIni, edtNomeIni, m_profile.startMissingMessage, required);
}

void ProductSelection::checkEnd(bool required)
{
    checkCode(medProdFim, edtNomeFim, m_profile.endMissingMessage, required);
}

void ProductSelection::checkCode(TMaskEdit *code, QLineEdit *name, const QString &missing,
                                 bool required)
{
    // The focus goes back to the field on every failure, the server's included.
    try {
        if (EmptyString(code->EditText())) {
            if (!required)
                return;
            code->setFocus();
            MensErro(missing, true);
        }
        const std::optional<QString> found = m_profile.productName(code->Text());
        if (!found) {
            code->setFocus();
            MensErro(m_profile.notRegisteredMessage, true);
        }
        name->setText(*found);
    } catch (...) {
        code->setFocus();
        throw;
    }
}

void ProductSelection::afterLookup(TBtnPesquisa &button, TMaskEdit *code, QLineEdit *name)
{
    data::ClientDataSet *ds = button.dataSource() ? button.dataSource()->dataSet() : nullptr;
    if (!ds)
        return;
    code->setStoredText(ds->fieldByName(u"CDARVPROD").asString());
    name->setText(ds->fieldByName(u"NMPRODUTO").asString());
}

void ProductSelection::checkList()
{
    if (mode() != Mode::Lista || !EmptyString(m_list))
        return;
    if (m_profile.focusListOnEmpty)
        rbtLista->setFocus();
    MensErro(m_profile.emptyListMessage, true);
}

void ProductSelection::takeListInto(data::ClientDataSet &ds)
{
    const QString list = std::exchange(m_list, QString());
    listToDataSet(list, ds);
}

} // namespace vnd::selection
