#pragma once

#include "search/SearchCriteria.h"
#include "search/SearchPorts.h"

#include <QString>

namespace velkaro::search::mdlFunc {

// Applies the phone, subscriber, address and comment rules in that order; every rule that holds
// sets its kind, so the last one wins. Inputs that match no rule leave `criteria` unchanged.
void deriveCriteria(const SearchInputs &inputs, SearchCriteria &criteria);

// True when at least one rule of deriveCriteria holds for `inputs`.
bool anyRuleApplies(const SearchInputs &inputs);

// The SELECT statement on Base for `criteria`; apostrophes in values are doubled.
QString buildQueryText(const SearchCriteria &criteria);

// `text` without the blanks (spaces) at either end; other white space is kept.
QStringView trimBlanks(QStringView text);

} // namespace velkaro::search::mdlFunc
