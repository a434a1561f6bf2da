#pragma once
// The "Produto" block of the tool windows: all products, a picked list, or a range of product
// tree codes. The windows that share it differ only in what their profile says: where the
// offered products come from, the picker's title, how a range code is checked, their
// messages, and what "Intervalo" and the window's activation do to the list text.

#include "host/data/clientdataset.h"

#include <QGroupBox>

#include <functional>
#include <optional>

class QHBoxLayout;
class QLineEdit;
class QRadioButton;
class QToolButton;
class QVBoxLayout;

namespace vnd::widgets
{
class TBtnPesquisa;
class TMaskEdit;
} // namespace vnd::widgets

namespace vnd::selection
{

enum class Mode { Todos, Lista, Intervalo };

// Shows a CDARVPROD field through the product-code picture (the stored code holds digits
// only) and gives it the picture's edit mask.
void applyProductPicture(data::Field &treeCode);

struct SelectionProfile {
    bool withRange = true;
    // Passed to the list picker: "title" or "title|text shown when nothing is offered".
    QString pickerTitle;
    // The rows the list picker offers, loaded or refreshed as the window needs; a failed
    // load or check throws and nothing opens.
    std::function<data::DataSource *()> offeredProducts;

    QString emptyListMessage;
    bool focusListOnEmpty = false;
    bool intervaloEmptiesList = false;
    bool activationEmptiesList = false;

    // Range only.
    QString startMissingMessage, endMissingMessage, notRegisteredMessage;
    // The rows of the range lookups, refreshed each time one opens.
    std::function<data::DataSource *()> rangeProducts;
    // The name of a typed code (the mask's stored text); nullopt when not registered.
    std::function<std::optional<QString>(const QString &code)> productName;
};

class ProductSelection final : public QGroupBox
{
    Q_OBJECT
public:
    // list: the window's list text, which outlives the block where the window wants it to.
    ProductSelection(SelectionProfile profile, QString &list, QWidget *parent = nullptr);

    QRadioButton *rbtTodos, *rbtLista;
    QToolButton *btnListaProd;
    // Null without a range.
    QRadioButton *rbtIntervalo = nullptr;
    widgets::TMaskEdit *medProdIni = nullptr, *medProdFim = nullptr;
    widgets::TBtnPesquisa *btnProdutoIni = nullptr, *btnProdutoFim = nullptr;
    QLineEdit *edtNomeIni = nullptr, *edtNomeFim = nullptr;

    Mode mode() const;
    const QString &listText() const { return m_list; }

    // The window's activation: product-code masks on the range fields; the list text emptied
    // where the profile says so.
    void activate();
    // The list button: offered rows, then the picker, which rewrites the list text.
    void pickList();
    // The range code checks; required at confirmation, not when a field is left.
    void checkStart(bool required);
    void checkEnd(bool required);
    // "Lista" selected without a pick: the empty-list message.
    void checkList();
    // The list into the chosen-products dataset; the window's list text is emptied first,
    // so a failed confirmation asks the user to pick again.
    void takeListInto(data::ClientDataSet &ds);

private:
    void buildRange(QHBoxLayout *choices, QVBoxLayout *layout);
    void applyStates();
    void checkCode(widgets::TMaskEdit *code, QLineEdit *name, const QString &missing,
                   bool required);
    void afterLookup(widgets::TBtnPesquisa &button, widgets::TMaskEdit *code, QLineEdit *name);

    SelectionProfile m_profile;
    QString &m_list;
};

} // namespace vnd::selection
