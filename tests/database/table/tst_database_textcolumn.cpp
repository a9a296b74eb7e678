#include "database/core/CaseFold.h"
#include "database/core/DatabaseError.h"
#include "database/table/EqualityIndex.h"
#include "database/table/TextColumn.h"

#include <QTest>

#include <string>
#include <vector>

using velkaro::database::FieldView;
using velkaro::database::TextColumn;

class tst_database_textcolumn : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rowAtFromAnyEarlierRow();
    void originalsComeBackAfterJoining();
    void copiedRowsKeepTheirOriginals();
    void stoppedIndexBuildLeavesNone();
};

// Empty and null rows share their start with the next row; a walk from any row not after the answer finds it.
void tst_database_textcolumn::rowAtFromAnyEarlierRow()
{
    const std::vector<std::string> texts = {"ab", "", "", "cde", "f", "", "ghijklmnopqrstuvwxyz", "", "z"};
    TextColumn column;
    for (std::size_t row = 0; row < texts.size(); ++row) {
        const bool isNull = row == 2 || row == 7;
        column.append(FieldView {texts[row].data(), std::uint32_t(texts[row].size()), isNull});
    }
    column.finish();
    std::vector<std::uint32_t> owner;
    for (std::uint32_t row = 0; row < texts.size(); ++row)
        owner.insert(owner.end(), texts[row].size(), row);
    QCOMPARE(column.foldedTexts().size(), owner.size());
    for (std::size_t offset = 0; offset < owner.size(); ++offset) {
        for (std::uint32_t first = 0; first <= owner[offset]; ++first)
            QCOMPARE(column.rowAt(offset, first), owner[offset]);
    }
}

// Lower case kept as bits on the folded text, other changes as whole originals, both through a join of two
// columns at every row.
void tst_database_textcolumn::originalsComeBackAfterJoining()
{
    const std::vector<std::string> texts = {"Иванов Иван", "straße", "ſtop", "ǅemal", "\U00010428bc",
        "ёлка Ёж", "", "Baker Street 221b", "a\xD0z", "УЛ. САДОВАЯ", "long s ſ and µ", std::string(70, 'x') + "y"};
    for (std::size_t split = 0; split <= texts.size(); ++split) {
        TextColumn column;
        TextColumn next;
        for (std::size_t row = 0; row < texts.size(); ++row) {
            const FieldView field {texts[row].data(), std::uint32_t(texts[row].size()), false};
            (row < split ? column : next).append(field);
        }
        column.appendColumn(std::move(next));
        column.finish();
        QCOMPARE(column.rowCount(), std::uint32_t(texts.size()));
        for (std::uint32_t row = 0; row < texts.size(); ++row) {
            QCOMPARE(column.original(row), texts[row]);
            QCOMPARE(std::string(column.folded(row)), velkaro::database::foldedUtf8(texts[row]));
        }
    }
}

// Rows copied from another column, in any order, come back as they were stored: lower case, other changes, nulls.
void tst_database_textcolumn::copiedRowsKeepTheirOriginals()
{
    const std::vector<std::string> texts = {"Иванов Иван", "straße", "", "ǅemal", "ёлка Ёж", "NULL", "ſtop",
        std::string(70, 'x') + "Y" + std::string(70, 'y'), "Baker Street 221b", "УЛ. САДОВАЯ"};
    TextColumn source;
    for (std::size_t row = 0; row < texts.size(); ++row)
        source.append(FieldView {texts[row].data(), std::uint32_t(texts[row].size()), texts[row] == "NULL"});
    source.finish();
    const std::vector<std::uint32_t> rows = {9, 7, 0, 5, 1, 1, 3, 2, 6, 4, 8};
    TextColumn copy;
    for (const std::uint32_t row : rows)
        copy.appendRowOf(source, row);
    copy.finish();
    QCOMPARE(copy.rowCount(), std::uint32_t(rows.size()));
    for (std::uint32_t row = 0; row < rows.size(); ++row) {
        QCOMPARE(copy.isNull(row), source.isNull(rows[row]));
        QCOMPARE(copy.original(row), source.original(rows[row]));
        QCOMPARE(copy.folded(row), source.folded(rows[row]));
    }
}

// A stopped build throws and leaves no index; the next build makes one.
void tst_database_textcolumn::stoppedIndexBuildLeavesNone()
{
    TextColumn column;
    const std::string texts[] = {"7053220", "1234567", "7053220"};
    for (const std::string &text : texts)
        column.append(FieldView {text.data(), std::uint32_t(text.size()), false});
    column.finish();
    const std::atomic<bool> stop = true;
    QVERIFY_THROWS_EXCEPTION(velkaro::database::DatabaseError, column.equalityIndex(&stop));
    QVERIFY(!column.builtEqualityIndex());
    QCOMPARE(column.equalityIndex().rowsEqualTo("7053220"), (std::vector<std::uint32_t> {0, 2}));
    QCOMPARE(column.builtEqualityIndex(), &column.equalityIndex());
}

QTEST_APPLESS_MAIN(tst_database_textcolumn)
#include "tst_database_textcolumn.moc"
