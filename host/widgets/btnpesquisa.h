#pragma once
// TBtnPesquisa: the lookup button beside a code field. A click runs onBeforePesq (refresh the
// rows), then Pesquisar over dataSource with caption ("title|not-found text"), then, when a
// row was picked, onAfterPesq (read the current row). All inside the handler guard.

#include "host/data/clientdataset.h"

#include <QPointer>
#include <QToolButton>

#include <functional>

namespace vnd::widgets
{

class TBtnPesquisa : public QToolButton
{
    Q_OBJECT
public:
    explicit TBtnPesquisa(QWidget *parent = nullptr);

    void setDataSource(data::DataSource *source) { m_source = source; }
    data::DataSource *dataSource() const { return m_source; }
    QString caption; // "title|not-found text"

    std::function<void(TBtnPesquisa &)> onBeforePesq;
    std::function<void(TBtnPesquisa &)> onAfterPesq;

    // What a click does; true when a row was picked.
    bool execute();

private:
    QPointer<data::DataSource> m_source;
};

} // namespace vnd::widgets
