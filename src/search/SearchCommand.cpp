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

// The type lines of a search. Each record's NO_TYPE keeps the run-wide code and description current; the line
// for a code is built once per search.
class TypeLines
{
public:
    TypeLines(const QString &label, ResultRecords &records)
        : m_label(label)
        , m_records(records)
    { }

    // The key of the record's type line in the records.
    std::uint16_t line(const QVariant &noType)
    {
        static constexpr std::uint16_t noCode = 256;
        const std::optional<int> code = lineTypeCode(noType);
        const std::uint16_t key = code ? std::uint16_t(*code) : noCode;
        Known &known = m_known[key];
        if (!known.looked) {
            known.looked = true;
            if (code)
                known.description = LineTypeCatalogue::description(*code);
            m_records.setTypeLine(key, m_label + known.description.value_or(QString()));
        }
        if (code) {
            RunWideValues &values = runWideValues();
            values.lineTypeCode = *code;
            if (known.description)
                values.LineTypeDescription = *known.description;
        }
        return key;
    }

private:
    struct Known
    {
        bool looked = false;
        std::optional<QString> description;
    };
    const QString &m_label;
    ResultRecords &m_records;
    std::array<Known, ResultRecords::typeLineKeys> m_known;
};

} // namespace

SearchCommand::SearchCommand(database::Connection &connection, database::Recordset &recordset)
    : m_connection(connection)
    , m_recordset(recordset)
{ }

void SearchCommand::run(const InputSource &inputs, ResultList &list, MessageSink &messages)
{
    SlowSteps inPlace;
    run(inputs, list, messages, inPlace);
}

void SearchCommand::run(const InputSource &inputs, ResultList &list, MessageSink &messages, SlowSteps &slowSteps)
{
    static const QString typeLabel = u"   Тип:                         "_s;
    static const QString noType = u"NO_TYPE"_s;

    const SearchInputs in = inputs.searchInputs();
    if (const std::optional<Message> problem = inputProblem(in)) {
        messages.showMessage(problem->text, problem->title, problem->icon);
        return;
    }

    std::shared_ptr<ResultRecords> records;
    // Records found before a failure stay in the list.
    const auto handOver = [&list, &records] {
        if (records && records->lineCount() > 0)
            list.appendRecords(std::move(records));
        records.reset();
    };
    try {
        // A failed search leaves the result set or the connection open.
        if (m_recordset.isOpen())
            m_recordset.Close();
        if (m_connection.isOpen())
            m_connection.Close();

        const QString connectionString = database::ConnectionString();
        slowSteps.run([this, &connectionString] { m_connection.Open(connectionString); });
        list.clear();
        SearchCriteria &criteria = runWideValues().searchCriteria;
        mdlFunc::deriveCriteria(in, criteria);
        const QString query = mdlFunc::buildQueryText(criteria);
        slowSteps.run([this, &query, &records] {
            MakeQuery(query);
            const qint64 count = m_recordset.RecordCount();
            if (count <= 0)
                return;
            records = std::make_shared<ResultRecords>(m_recordset.table());
            TypeLines typeLines(typeLabel, *records);
            for (qint64 index = 1; index <= count; ++index) {
                const std::uint32_t row = m_recordset.currentRow();
                records->check(row);
                records->add(row, typeLines.line(m_recordset.Fields(noType)));
                m_recordset.MoveNext();
            }
        });
        handOver();
        m_recordset.Close();
        m_connection.Close();
    } catch (...) {
        // Any failure, memory exhaustion from a huge result included, ends here and not in the event loop.
        try {
            handOver();
        } catch (...) {
            // The records found are lost; the list keeps what it had.
        }
        reportDatabaseFailure(messages);
    }
}

void SearchCommand::reportDatabaseFailure(MessageSink &messages)
{
    const Message failure = databaseFailure();
    messages.showMessage(failure.text, failure.title, failure.icon);
}

void SearchCommand::MakeQuery(const QString &sqlquery)
{
    m_recordset.Open(sqlquery, m_connection, database::adOpenStatic, database::adLockOptimistic);
}

} // namespace velkaro::search
