#pragma once
// "Auditoria": the change record's lines in a time range, filtered by user, method, table and
// product, a page at a time, newest first; and all of them to a CSV file.

#include "contracts/rdmtabgeral.h"

#include <QDialog>

#include <memory>

class QComboBox;
class QDateTimeEdit;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace vnd::net
{
class TNetConnection;
}

namespace vnd::audit
{

class TfrmAuditoria : public QDialog
{
public:
    explicit TfrmAuditoria(QWidget *parent = nullptr);
    ~TfrmAuditoria() override;

    // Lines a page brings; a smaller page in tests.
    int pageSize = 500;

    QTableWidget *lines() const { return m_lines; }
    QPushButton *moreButton() const { return m_more; }

    // The first page of the filters' lines.
    void pesquisa();
    // The next page after the lines shown.
    void maisLinhas();
    // Every line of the filters to the file, Brazilian CSV; the lines written.
    qint64 exportaCsv(const QString &path);

private:
    data::DataPacket page(qint64 below, int size);
    void append(const data::DataPacket &p);

    std::unique_ptr<net::TNetConnection> m_net;
    std::unique_ptr<contracts::RdmTabGeral> m_server;
    QDateTimeEdit *m_from, *m_to;
    QLineEdit *m_user, *m_product;
    QComboBox *m_method, *m_table;
    QTableWidget *m_lines;
    QPushButton *m_more;
    qint64 m_last = 0; // the oldest line shown
};

// Opens the window (one at a time).
void criaAuditoria();

} // namespace vnd::audit
