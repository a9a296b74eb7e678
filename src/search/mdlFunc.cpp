#include "search/mdlFunc.h"

#include "database/core/CaseFold.h"

#include <optional>

using namespace Qt::StringLiterals;

namespace velkaro::search::mdlFunc {

namespace {

bool given(const QString &text)
{
    return !text.isEmpty();
}

// Upper-cased exactly as the database folds the stored texts, one character to one (ß stays ß), so that a
// value typed as it is stored finds it.
QString upperCased(const QString &text)
{
    return QString::fromStdString(database::foldedUtf8(text));
}

// The address pattern of the first address case that holds, if any. House, building and flat
// go in as typed; only the street is upper-cased.
std::optional<QString> addressPattern(const SearchInputs &in)
{
    const QString street = upperCased(in.street);
    if (given(in.street) && given(in.house) && given(in.korp) && given(in.flat))
        return u"%"_s + street + u"%Д% "_s + in.house + u"%КОРП% "_s + in.korp + u"%КВ%."_s + in.flat;
    if (!given(in.korp) && given(in.house) && given(in.flat) && given(in.street))
        return u"%"_s + street + u"%Д% "_s + in.house + u"%КВ%."_s + in.flat;
    if (!given(in.korp) && given(in.house) && !given(in.flat))
        return u"%"_s + street + u"%Д% "_s + in.house;
    return std::nullopt;
}

QString quoted(QString value)
{
    return value.replace(u'\'', u"''"_s);
}

} // namespace

QStringView trimBlanks(QStringView text)
{
    while (!text.isEmpty() && text.front() == u' ')
        text = text.sliced(1);
    while (!text.isEmpty() && text.back() == u' ')
        text.chop(1);
    return text;
}

void deriveCriteria(const SearchInputs &inputs, SearchCriteria &criteria)
{
    if (given(inputs.phone))
        criteria.set(CriterionKind::Phone, trimBlanks(inputs.phone).toString().remove(u'-'));
    if (given(inputs.ab))
        criteria.set(CriterionKind::Subscriber, u"%"_s + upperCased(inputs.ab) + u"%"_s);
    if (const auto pattern = addressPattern(inputs))
        criteria.set(CriterionKind::Address, *pattern);
    if (given(inputs.comment))
        criteria.set(CriterionKind::Comment, upperCased(inputs.comment));
}

bool anyRuleApplies(const SearchInputs &inputs)
{
    return given(inputs.phone) || given(inputs.ab) || given(inputs.comment) || addressPattern(inputs).has_value();
}

QString buildQueryText(const SearchCriteria &criteria)
{
    QString query = u"SELECT * FROM Base WHERE "_s;
    if (criteria.phone)
        return query + u"PHONE='"_s + quoted(criteria.phoneValue) + u"'"_s;

    bool first = true;
    if (criteria.subscriber) {
        query += u"ABONENT LIKE '"_s + quoted(criteria.subscriberPattern) + u"' "_s;
        first = false;
    }
    if (criteria.comment) {
        if (!first)
            query += u"AND "_s;
        query += u"COMMENT LIKE '"_s + quoted(criteria.commentPattern) + u"' "_s;
        first = false;
    }
    if (criteria.address) {
        if (!first)
            query += u"AND "_s;
        query += u"ADDRESS LIKE '"_s + quoted(criteria.addressPattern) + u"'"_s;
    }
    return query;
}

} // namespace velkaro::search::mdlFunc
