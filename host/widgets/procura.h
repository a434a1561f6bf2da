#pragma once
// Procura: the search dialog of the toolbar's Procurar command. The user picks a column (by
// the captions of the grid that shows the dataset, each once) and types a text; "Procurar"
// moves the dataset to the next row (after the current one, wrapping round) whose text in
// that column begins with the typed text under the search rule (host/services/searchrule.h).

#include "host/data/clientdataset.h"

#include <QDialog>

class QComboBox;
class QLineEdit;

namespace vnd::widgets
{

class TDBGrid;

// True when a row was found and made current. Without a grid, the dataset's visible fields
// that have a label are offered.
bool Procura(data::ClientDataSet *dataSet, TDBGrid *grid = nullptr);

class ProcuraDialog final : public QDialog
{
    Q_OBJECT
public:
    ProcuraDialog(data::ClientDataSet *dataSet, TDBGrid *grid, QWidget *parent = nullptr);
    QComboBox *fieldChoice() const { return m_field; }
    QLineEdit *textEdit() const { return m_text; }
    // Runs one search; false (with a message) when nothing matches.
    bool findNext();
    bool found() const { return m_found; }

protected:
    // The tab key in reading order (host/widgets/taborder.h).
    bool focusNextPrevChild(bool next) override;

private:
    data::ClientDataSet *m_dataSet;
    QComboBox *m_field;
    QLineEdit *m_text;
    bool m_found = false;
};

} // namespace vnd::widgets
