#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace velkaro::database {
class Table;
} // namespace velkaro::database

namespace velkaro::search {

// The records a search found, as six labelled lines each: an empty line, subscriber, phone, address, type and
// remarks. Only the records' table rows are kept; a line is made from the table when it is asked for.
class ResultRecords
{
public:
    // Resolves the four text columns in `table`; throws DatabaseError when one is missing.
    explicit ResultRecords(std::shared_ptr<const database::Table> table);

    // Checks that the record's numeric fields among the four are numbers (DatabaseError otherwise), so that its
    // lines can always be made later.
    void check(std::uint32_t row) const;

    // `typeLine` is a key given to setTypeLine before.
    void add(std::uint32_t row, std::uint16_t typeLine);
    void setTypeLine(std::uint16_t key, QString line);
    static constexpr std::uint16_t typeLineKeys = 257;

    qsizetype lineCount() const { return qsizetype(m_rows.size()) * 6; }
    QString line(qsizetype index) const;
    QStringList lines() const;

    // The same records over a table of their own values only, so that their lines outlive the table they
    // were found in.
    std::shared_ptr<const ResultRecords> detached() const;

private:
    QString field(int column, std::uint32_t row) const;

    std::shared_ptr<const database::Table> m_table;
    std::array<std::size_t, 4> m_columns {}; // ABONENT, PHONE, ADDRESS, COMMENT
    std::vector<std::uint32_t> m_rows;
    std::vector<std::uint16_t> m_typeLines;
    std::array<QString, typeLineKeys> m_typeLineTexts;
};

} // namespace velkaro::search
