#pragma once
// Pesquisar: the lookup dialog. Shows the rows of a data source in a grid with a search line;
// the user picks one. Caption "title|not-found text": with no rows the not-found text (or a
// standard one) is shown and nothing opens.

#include "host/data/clientdataset.h"

#include <QDialog>

class QLineEdit;
class QComboBox;
class QLabel;

namespace vnd::widgets
{

class TDBGrid;
class TypeAhead;

// Splits "title|not-found text".
struct LookupCaption {
    QString title;
    QString notFound;
};
LookupCaption splitCaption(const QString &caption);

// True when a row was picked; that row is left current. On cancel the cursor goes back
// to where it was. The two flags are accepted for the host's signature and unused.
bool Pesquisar(data::DataSource *source, const QString &caption, bool = false, bool = true);

// The dialog itself (tests drive it through the dialog responder).
class PesquisarDialog final : public QDialog
{
    Q_OBJECT
public:
    PesquisarDialog(data::DataSource *source, const QString &title, QWidget *parent = nullptr);
    TDBGrid *grid() const { return m_grid; }
    QLineEdit *searchEdit() const { return m_search; }
    QComboBox *searchField() const { return m_field; }
    QLabel *notice() const { return m_notice; }
    // Moves to the first row whose searched column begins with the text (the search rule).
    bool seek(const QString &text);

protected:
    // The tab key in reading order (host/widgets/taborder.h).
    bool focusNextPrevChild(bool next) override;

private:
    TDBGrid *m_grid;
    QLineEdit *m_search;
    QComboBox *m_field;
    QLabel *m_notice;
    TypeAhead *m_typeAhead;
};

} // namespace vnd::widgets
