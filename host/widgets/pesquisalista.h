#pragma once
// PesquisaLista: the list picker. Shows the rows of a data source with a mark column; the user
// marks rows (click on the mark, space bar, "Marcar todos") and confirms. Typing in the
// search line moves to the first row that begins with the text (the search rule), and Enter
// there marks it, so a long list is picked from the keyboard; a text no row begins with moves
// nothing, says so, and Enter then marks nothing. The marks travel as the list text: every marked
// key, padded to the key field's width, preceded by "_", with a closing "_"
// ("_0000000001_0000000002_"). Keys already in the incoming text start marked; keys that no
// row offers are dropped. Caption "title|not-found text" as in Pesquisar.

#include "host/data/clientdataset.h"

#include <QDialog>
#include <QSet>

class QComboBox;
class QLabel;
class QLineEdit;

namespace vnd::widgets
{

class TDBGrid;
class TypeAhead;

// Keys of a list text, in order (blanks of padding dropped).
QStringList parseListText(const QString &list, int keyWidth);
// The list text of the keys.
QString makeListText(const QStringList &keys, int keyWidth);

// True when confirmed (the list text replaced); false on cancel or with no rows (unchanged).
bool PesquisaLista(data::DataSource *source, const QString &keyField, const QString &caption, bool,
                   QString &list);

class PesquisaListaDialog final : public QDialog
{
    Q_OBJECT
public:
    PesquisaListaDialog(data::DataSource *source, const QString &keyField, const QString &title,
                        const QString &list, QWidget *parent = nullptr);
    TDBGrid *grid() const { return m_grid; }
    QLineEdit *searchEdit() const { return m_search; }
    QComboBox *searchField() const { return m_field; }
    QLabel *countLabel() const { return m_count; }
    QLabel *notice() const { return m_notice; }
    void toggleCurrent();
    void markAll(bool on);
    bool isMarked(int row) const;
    int markedCount() const { return int(m_marked.size()); }
    QString listText() const; // marked keys in row order
    // Moves to the first row whose searched column begins with the text (the search rule).
    bool seek(const QString &text);

protected:
    // The tab key in reading order (host/widgets/taborder.h).
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString keyAt(int row) const;
    void showCount();

    data::DataSource *m_source;
    data::Field *m_key = nullptr;
    int m_keyWidth = 0;
    TDBGrid *m_grid;
    QLineEdit *m_search;
    QComboBox *m_field;
    QLabel *m_count;
    QLabel *m_notice;
    TypeAhead *m_typeAhead = nullptr;
    QSet<QString> m_marked; // keys of marked rows
};

} // namespace vnd::widgets
