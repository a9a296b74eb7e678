#include "search/RunWideValues.h"

namespace velkaro::search {

RunWideValues &runWideValues()
{
    static RunWideValues values;
    return values;
}

void resetRunWideValues()
{
    runWideValues() = RunWideValues {};
}

} // namespace velkaro::search
