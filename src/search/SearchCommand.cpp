#include "search/SearchCommand.h"

#include "search/LineTypeCatalogue.h"
#include "search/LineTypeCode.h"
#include "search/RunWideValues.h"
#include "search/mdlFunc.h"

#include "database/connection/Connection.h"
#include "database/connection/ConnectionString.h"
#include "database/connection/Recordset.h"
#include "database/core/DatabaseError.h"

#include <array>
#include <optional>

using namespace Qt::StringLiterals;

namespace velkaro::search {

namespace {

struct Message
{
    QString text;
    QString title;
    MessageIcon icon;
};

Message moreDetailNeeded()
{
    return {u"Введите более точные данные!"_s, u"Ошибка !"_s, MessageIcon::Warning};
}

Message noStartingData()
{
    return {u"Отсутствуют начальные данные!"_s, u"Ошибка!"_s, MessageIcon::Critical};
}

Message databaseFailure()
{
    return {u"Ошибка при подключении к базе данных !"_s, u"Ошибка !"_s, MessageIcon::Critical};
}

// The first input check that fires, in order; inputs no rule can turn into criteria are refused
// like an incomplete address.
std::optional<Message> inputProblem(const SearchInputs &in)
{
    if (in.house.isEmpty() && !in.flat.isEmpty() && !in.street.isEmpty())
        return moreDetailNeeded();
    if (in.house.isEmpty() && !in.korp.isEmpty())
        return moreDetailNeeded();
    if (in.street.isEmpty() && in.ab.isEmpty() && in.comment.isEmpty() && in.phone.isEmpty())
        return noStartingData();
    if (!mdlFunc::anyRuleApplies(in))
        return moreDetailNeeded();
    return std::nullopt;
}

// A field as text: nothing for null, numbers in their shortest form (21, 2.5).
QString fieldText(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return {};
    if (value.typeId() == QMetaType::Double)
        return QString::number(value.toDouble(), 'g', 15);
    if (value.typeId() == QMetaType::QString)
        return value.value<QString>();
    return value.toString();
}

// `label` followed by `value`, built in one allocation.
QString labelled(const QString &label, QStringView value)
{
    QString line;
    line.reserve(label.size() + value.size());
    line.append(label).append(value);
    return line;
}

// The type lines of a search. Each record's NO_TYPE keeps the run-wide code and description current; the line
// for a code is built once per search.
class TypeLines
{
public:
    explicit TypeLines(const QString &label)
        : m_label(label)
    { }

    QString line(const QVariant &noType)
    {
        const std::optional<int> code = lineTypeCode(noType);
        if (!code)
            return m_label;
        RunWideValues &values = runWideValues();
        values.lineTypeCode = *code;
        Known &known = m_known[std::size_t(*code)];
        if (!known.looked) {
            known.looked = true;
            known.description = LineTypeCatalogue::description(*code);
            known.line = labelled(m_label, known.description.value_or(QString()));
        }
        if (known.description)
            values.LineTypeDescription = *known.description;
        return known.line;
    }

private:
    struct Known
    {
        bool looked = false;
        std::optional<QString> description;
        QString line;
    };
    const QString &m_label;
    std::array<Known, 256> m_known;
};

// Collects result lines and hands them to the list a batch at a time.
class LineBatch
{
public:
    explicit LineBatch(ResultList &list)
        : m_list(list)
    {
        m_lines.reserve(kLinesPerBatch);
    }

    void add(std::array<QString, 6> &&lines)
    {
        for (QString &line : lines)
            m_lines.push_back(std::move(line));
        if (m_lines.size() >= kLinesPerBatch)
            flush();
    }

    void flush()
    {
        if (m_lines.isEmpty())
            return;
        m_list.append(m_lines);
        m_lines.clear();
    }

private:
    static constexpr qsizetype kLinesPerBatch = 6 * 2000;
    ResultList &m_list;
    QStringList m_lines;
};

} // namespace

SearchCommand::SearchCommand(database::Connection &connection, database::Recordset &recordset)
    : m_connection(connection)
    , m_recordset(recordset)
{ }

void SearchCommand::run(const InputSource &inputs, ResultList &list, MessageSink &messages)
{
    static const QString abonentLabel = u"   Абонент:                "_s;
    static const QString phoneLabel = u"   Телефон:              "_s;
    static const QString addressLabel = u"   Адрес:                   "_s;
    static const QString typeLabel = u"   Тип:                         "_s;
    static const QString commentLabel = u"   Примечания:        "_s;
    static const QString abonent = u"ABONENT"_s;
    static const QString phone = u"PHONE"_s;
    static const QString address = u"ADDRESS"_s;
    static const QString comment = u"COMMENT"_s;
    static const QString noType = u"NO_TYPE"_s;

    const SearchInputs in = inputs.searchInputs();
    if (const std::optional<Message> problem = inputProblem(in)) {
        messages.showMessage(problem->text, problem->title, problem->icon);
        return;
    }

    LineBatch batch(list);
    try {
        // A failed search leaves the result set or the connection open.
        if (m_recordset.isOpen())
            m_recordset.Close();
        if (m_connection.isOpen())
            m_connection.Close();

        m_connection.Open(database::ConnectionString());
        list.clear();
        SearchCriteria &criteria = runWideValues().searchCriteria;
        mdlFunc::deriveCriteria(in, criteria);
        MakeQuery(mdlFunc::buildQueryText(criteria));

        TypeLines typeLines(typeLabel);
        const qint64 count = m_recordset.RecordCount();
        for (qint64 index = 1; index <= count; ++index) {
            batch.add({QString(), labelled(abonentLabel, fieldText(m_recordset.Fields(abonent))),
                labelled(phoneLabel, mdlFunc::trimBlanks(fieldText(m_recordset.Fields(phone)))),
                labelled(addressLabel, fieldText(m_recordset.Fields(address))),
                typeLines.line(m_recordset.Fields(noType)),
                labelled(commentLabel, fieldText(m_recordset.Fields(comment)))});
            m_recordset.MoveNext();
        }
        batch.flush();
        m_recordset.Close();
        m_connection.Close();
    } catch (...) {
        // Any failure, memory exhaustion from a huge result included, ends here and not in the event loop.
        try {
            batch.flush();
        } catch (...) {
            // The lines gathered since the last batch are lost; the list keeps what it had.
        }
        const Message failure = databaseFailure();
        messages.showMessage(failure.text, failure.title, failure.icon);
    }
}

void SearchCommand::MakeQuery(const QString &sqlquery)
{
    m_recordset.Open(sqlquery, m_connection, database::adOpenStatic, database::adLockOptimistic);
}

} // namespace velkaro::search
