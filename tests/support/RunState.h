#pragma once

#include "database/connection/ConnectionString.h"
#include "database/table/TableCache.h"
#include "search/RunWideValues.h"

namespace velkaro::testing {

// The state a run keeps between searches, back to that of a freshly loaded main window: no search before,
// the default connection text and no table kept.
inline void resetRunState()
{
    search::resetRunWideValues();
    database::initialiseConnectionString();
    database::clearDirectoryTableCache();
}

} // namespace velkaro::testing
