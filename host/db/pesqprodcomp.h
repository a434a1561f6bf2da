#pragma once
// TdtmPesqProdComp: the host's product search data module. It has a connection of its own to
// the host's database, which the windows open before a product search and close after it.

#include <QString>

#include <memory>

namespace vnd::db
{

class TdtmPesqProdComp
{
public:
    TdtmPesqProdComp();
    ~TdtmPesqProdComp();
    TdtmPesqProdComp(const TdtmPesqProdComp &) = delete;
    TdtmPesqProdComp &operator=(const TdtmPesqProdComp &) = delete;

    // Throws vnd::Error when the host's database is not open or cannot be reached again.
    void open();
    void close();
    bool connected() const;

private:
    QString m_name;
};

// The module the windows share; none until one of them creates it.
extern std::unique_ptr<TdtmPesqProdComp> dtmPesqProdComp;

} // namespace vnd::db
