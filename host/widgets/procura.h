#pragma once
// Procura: the search dialog of the toolbar's Procurar command. The user picks a column and
// types a text; "Procurar" moves the dataset to the next row (after the current one, wrapping
// round) whose text in that column contains the typed text, case-insensitively.

#include "host/data/clientdataset.h"

#include <QDialog>

class QComboBox;
class QLineEdit;

namespace vnd::widgets
{

// True when a row was found and made current.
bool Procura(data::ClientDataSet *dataSet);

class ProcuraDialog final : public QDialog
{
    Q_OBJECT
public:
    explicit ProcuraDialog(data::ClientDataSet *dataSet, QWidget *parent = nullptr);
    QComboBox *fieldChoice() const { return m_field; }
    QLineEdit *textEdit() const { return m_text; }
    // Runs one search; false (with a message) when nothing matches.
    bool findNext();
    bool found() const { return m_found; }

private:
    data::ClientDataSet *m_dataSet;
    QComboBox *m_field;
    QLineEdit *m_text;
    bool m_found = false;
};

} // namespace vnd::widgets
