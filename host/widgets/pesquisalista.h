#pragma once
// PesquisaLista: the list picker. Shows the rows of a data source with a mark column; the user
// marks rows (click on the mark, space bar, "Marcar todos") and confirms. The marks travel
// as the list text: every marked key, padded to the key field's width, preceded by "_",
// with a closing "_" ("_0000000001_0000000002_"). Keys already in the incoming text start
// marked. Caption "title|not-found text" as in Pesquisar.

#include "host/data/clientdataset.h"

#include <QDialog>
#include <QSet>

namespace vnd::widgets
{

class TDBGrid;

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
    void toggleCurrent();
    void markAll(bool on);
    bool isMarked(int row) const;
    QString listText() const; // marked keys in row order

private:
    QString keyAt(int row) const;

    data::DataSource *m_source;
    data::Field *m_key = nullptr;
    int m_keyWidth = 0;
    TDBGrid *m_grid;
    QSet<QString> m_marked;
};

} // namespace vnd::widgets
