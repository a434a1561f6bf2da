#pragma once
// The search line of the lookup dialogs: typing moves the grid to the first row whose chosen
// column begins with the text under the search rule (host/services/searchrule.h), shown or
// stored text alike. When no row does, the current row stays and the notice under the line
// says so; found() then answers false, and Enter in the line is swallowed: it must not act
// on the row left current. Up, Down, PgUp and PgDn in the line move in the grid.

#include "host/data/clientdataset.h"

#include <QObject>
#include <QStringList>

class QComboBox;
class QLabel;
class QLineEdit;

namespace vnd::widgets
{

class TDBGrid;

class TypeAhead final : public QObject
{
    Q_OBJECT
public:
    // The line, the column choice and the notice belong to the dialog; the choice is filled
    // with the grid's columns.
    TypeAhead(TDBGrid *grid, QComboBox *field, QLineEdit *line, QLabel *notice);

    // Moves to the first row that begins with the text; false (and the notice) when none does.
    bool seek(const QString &text);
    // The line is empty, or its text was found.
    bool found() const { return m_found; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void forget();

    TDBGrid *m_grid;
    QComboBox *m_field;
    QLineEdit *m_line;
    QLabel *m_notice;
    bool m_found = true;
    // The searched column's texts, folded once: typing must not reformat every row at every
    // key.
    int m_foldedField = -1;
    QStringList m_shown, m_stored;
};

} // namespace vnd::widgets
