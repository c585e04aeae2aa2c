#pragma once

#include <memory>

// The two SQLite handles the layer owns. sqlite3.h stays out of the public headers: only the
// history library links SQLite.
struct sqlite3;
struct sqlite3_stmt;

// Closes a connection with sqlite3_close_v2, which never fails with "busy": should a statement still
// be prepared on it, the connection closes once that statement is finalized.
struct ConnectionCloser
{
    void operator()(sqlite3* connection) const noexcept;
};

// Finalizes a statement. The result code repeats the last step's error, which the layer has already
// seen, so it is not looked at.
struct StatementFinalizer
{
    void operator()(sqlite3_stmt* statement) const noexcept;
};

using ConnectionHandle = std::unique_ptr<sqlite3, ConnectionCloser>;
using StatementHandle = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;
