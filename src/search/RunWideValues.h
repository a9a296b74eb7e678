#pragma once

#include "search/SearchCriteria.h"

#include <QString>

namespace velkaro::search {

// The values a search leaves behind for the next one, shared by the whole run.
struct RunWideValues
{
    SearchCriteria searchCriteria;
    int lineTypeCode = 0;
    QString LineTypeDescription;
};

RunWideValues &runWideValues();

// Back to the state at program start: criteria zeroed, code 0, description empty.
void resetRunWideValues();

} // namespace velkaro::search
