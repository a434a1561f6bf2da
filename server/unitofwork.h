#pragma once
// A write transaction that rolls back unless committed. Nested units join the outer one;
// an inner unit left uncommitted dooms the whole transaction.

#include "server/database.h"

#include <QSqlDatabase>

namespace vnd::server
{

class UnitOfWork
{
public:
    explicit UnitOfWork(const Database &database);
    ~UnitOfWork();
    UnitOfWork(const UnitOfWork &) = delete;
    UnitOfWork &operator=(const UnitOfWork &) = delete;

    void commit();
    const QSqlDatabase &db() const { return m_db; }

private:
    QSqlDatabase m_db;
    bool m_outer = false;
    bool m_done = false;
};

} // namespace vnd::server
