#pragma once
// Pesquisar: the lookup dialog. Shows the rows of a data source in a grid with a search line;
// the user picks one. Caption "title|not-found text": with no rows the not-found text (or a
// standard one) is shown and nothing opens.

#include "host/data/clientdataset.h"

#include <QDialog>

class QLineEdit;
class QComboBox;

namespace vnd::widgets
{

class TDBGrid;

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
    // Moves to the first row whose searched field starts with the text (case-insensitive).
    bool seek(const QString &text);

private:
    data::DataSource *m_source;
    TDBGrid *m_grid;
    QLineEdit *m_search;
    QComboBox *m_field;
};

} // namespace vnd::widgets
