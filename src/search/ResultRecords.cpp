#include "search/ResultRecords.h"

#include "database/connection/FieldValue.h"
#include "database/core/DatabaseError.h"
#include "database/table/Table.h"
#include "database/table/TableBuilder.h"
#include "search/mdlFunc.h"

#include <numeric>

using namespace Qt::StringLiterals;

namespace velkaro::search {

namespace {

enum Column { Abonent, Phone, Address, Comment };

const QString &label(int part)
{
    static const std::array<QString, 6> labels {QString(), u"   Абонент:                "_s,
        u"   Телефон:              "_s, u"   Адрес:                   "_s, QString(), u"   Примечания:        "_s};
    return labels[std::size_t(part)];
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

} // namespace

ResultRecords::ResultRecords(std::shared_ptr<const database::Table> table)
    : m_table(std::move(table))
{
    const QString names[] = {u"ABONENT"_s, u"PHONE"_s, u"ADDRESS"_s, u"COMMENT"_s};
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        const auto column = m_table->columnIndex(names[i]);
        if (!column)
            throw database::DatabaseError("item not found in this collection");
        m_columns[i] = *column;
    }
}

void ResultRecords::check(std::uint32_t row) const
{
    for (const std::size_t column : m_columns) {
        if (m_table->columns()[column].kind != database::ColumnKind::Text)
            database::fieldValue(*m_table, column, row);
    }
}

void ResultRecords::add(std::uint32_t row, std::uint16_t typeLine)
{
    m_rows.push_back(row);
    m_typeLines.push_back(typeLine);
}

void ResultRecords::setTypeLine(std::uint16_t key, QString line)
{
    m_typeLineTexts[key] = std::move(line);
}

QString ResultRecords::field(int column, std::uint32_t row) const
{
    try {
        return fieldText(database::fieldValue(*m_table, m_columns[std::size_t(column)], row));
    } catch (const database::DatabaseError &) {
        // check() refused such a record before it was added.
        return {};
    }
}

QString ResultRecords::line(qsizetype index) const
{
    const auto record = std::size_t(index / 6);
    const int part = int(index % 6);
    const std::uint32_t row = m_rows[record];
    switch (part) {
    case 1:
        return labelled(label(part), field(Abonent, row));
    case 2:
        return labelled(label(part), mdlFunc::trimBlanks(field(Phone, row)));
    case 3:
        return labelled(label(part), field(Address, row));
    case 4:
        return m_typeLineTexts[m_typeLines[record]];
    case 5:
        return labelled(label(part), field(Comment, row));
    default:
        return {};
    }
}

QStringList ResultRecords::lines() const
{
    QStringList all;
    all.reserve(lineCount());
    for (qsizetype index = 0; index < lineCount(); ++index)
        all.append(line(index));
    return all;
}

std::shared_ptr<const ResultRecords> ResultRecords::detached() const
{
    database::TableBuilder builder;
    std::vector<database::ColumnInfo> columns;
    for (const std::size_t column : m_columns)
        columns.push_back(m_table->columns()[column]);
    builder.columns(std::move(columns));
    for (std::size_t record = 0; record < m_rows.size(); ++record) {
        for (const std::size_t column : m_columns)
            m_table->values(column).prefetchAhead(m_rows, record);
        builder.rowOf(*m_table, m_columns, m_rows[record]);
    }
    auto copy = std::make_shared<ResultRecords>(builder.take());
    copy->m_rows.resize(m_rows.size());
    std::iota(copy->m_rows.begin(), copy->m_rows.end(), std::uint32_t {0});
    copy->m_typeLines = m_typeLines;
    copy->m_typeLineTexts = m_typeLineTexts;
    return copy;
}

} // namespace velkaro::search
