#pragma once

#include <stdexcept>
#include <string>

namespace velkaro::database {

// Any failure of a database operation: a file that cannot be opened or read, a rejected statement,
// a misuse of the connection or result set. Callers report it without showing its text.
class DatabaseError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

} // namespace velkaro::database
