#pragma once
// A bulk call's changes on SQLite, recorded in parts. Any row trigger there, even one whose
// WHEN is false, costs about what altering the row does, so a call altering a hundred
// thousand rows cost several times itself. While a capture lives, the connection's triggers
// are off and SQLite's pre-update hook hands each changed row of a recorded table to it; at
// the end the rows go to the record in parts of a few hundred (changeRecordParts), in the
// same transaction. A table whose record triggers are gone is not recorded, as with the
// triggers.

#include <cstddef>
#include <memory>

struct sqlite3;

namespace vnd::server
{

class BulkCapture
{
public:
    // Throws DbError when the tables' shapes cannot be read.
    explicit BulkCapture(sqlite3 *db);
    ~BulkCapture();
    BulkCapture(const BulkCapture &) = delete;
    BulkCapture &operator=(const BulkCapture &) = delete;

    // Writes what was captured and starts afresh. Throws DbError; the caller rolls back.
    void flush();
    // After each statement: writes what this thread's capture holds once it has grown large,
    // so a call of millions of rows holds a bounded amount. Throws DbError.
    static void settle();
    // How much a capture holds before settle() writes it (tests); the previous amount.
    static size_t setSettleBytes(size_t bytes);

    struct State;

private:
    std::unique_ptr<State> d;
    BulkCapture *m_previous = nullptr;
};

} // namespace vnd::server
