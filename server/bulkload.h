#pragma once
// Loading many generated rows in one transaction, as fast as each database allows: prepared
// sqlite3 statements on SQLite, COPY through libpq on PostgreSQL (QPSQL cannot COPY, and its
// prepared statements cost a round trip a row).

#include "server/database.h"

#include <QtGlobal>

#include <memory>
#include <string>

namespace vnd::server
{

// The rows of one table, given value by value in the order of its columns.
class RowWriter
{
public:
    virtual ~RowWriter() = default;
    virtual RowWriter &text(const std::string &value) = 0;
    virtual RowWriter &real(double value) = 0;
    virtual RowWriter &integer(qint64 value) = 0;
    virtual RowWriter &null() = 0;
    // Ends the row.
    virtual void run() = 0;
};

class BulkLoad
{
public:
    virtual ~BulkLoad() = default;
    // A statement run as it is (small fixed inserts).
    virtual void exec(const char *sql) = 0;
    // Writers must be asked for in an order where every table comes after those it refers to.
    virtual RowWriter &writer(const char *table, const char *columns) = 0;
    // Stores everything; without it nothing is stored. Throws std::runtime_error.
    virtual void commit() = 0;
};

// Opens its own connection and begins the transaction. Throws std::runtime_error.
std::unique_ptr<BulkLoad> openSqliteBulkLoad(const Database &database);
std::unique_ptr<BulkLoad> openPostgresBulkLoad(const Database &database);

} // namespace vnd::server
