#include "search/SearchCriteria.h"

namespace velkaro::search {

void SearchCriteria::set(CriterionKind kind, const QString &valueOrPattern)
{
    phone = kind == CriterionKind::Phone;
    subscriber = kind == CriterionKind::Subscriber;
    address = kind == CriterionKind::Address;
    comment = kind == CriterionKind::Comment;
    switch (kind) {
    case CriterionKind::Phone:
        phoneValue = valueOrPattern;
        break;
    case CriterionKind::Subscriber:
        subscriberPattern = valueOrPattern;
        break;
    case CriterionKind::Address:
        addressPattern = valueOrPattern;
        break;
    case CriterionKind::Comment:
        commentPattern = valueOrPattern;
        break;
    }
}

} // namespace velkaro::search
