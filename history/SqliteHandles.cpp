#include "history/SqliteHandles.h"

#include <sqlite3.h>

void ConnectionCloser::operator()(sqlite3* connection) const noexcept
{
    sqlite3_close_v2(connection);
}

void StatementFinalizer::operator()(sqlite3_stmt* statement) const noexcept
{
    sqlite3_finalize(statement);
}
