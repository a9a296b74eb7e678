#pragma once

#include "message/MessageSink.h"
#include "search/SearchPorts.h"

#include <QString>

namespace velkaro::database {
class Connection;
class Recordset;
} // namespace velkaro::database

namespace velkaro::search {

// What the Find button runs: input checks, criteria, query, and the six-line block per record.
class SearchCommand
{
public:
    SearchCommand(database::Connection &connection, database::Recordset &recordset);

    void run(const InputSource &inputs, ResultList &list, MessageSink &messages);
    void run(const InputSource &inputs, ResultList &list, MessageSink &messages, SlowSteps &slowSteps);

    // Opens the result set for `sqlquery` on the open connection.
    void MakeQuery(const QString &sqlquery);

    // Shows the message of a failed search.
    static void reportDatabaseFailure(MessageSink &messages);

private:
    database::Connection &m_connection;
    database::Recordset &m_recordset;
};

} // namespace velkaro::search
