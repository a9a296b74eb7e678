#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Rows as Access leaves them after updates and deletions, made from a small file of our writer (Jet 3, Jet 4 or
// ACE): a row that grew moved to another page of its table and its home slot keeps a pointer, flag 0x4000 and one
// byte row number with three bytes page number; the data's slot there carries 0x8000, so a plain scan reads it
// where it lies; a deleted row keeps its bytes under both flags.
namespace velkaro::mkbase {

// Row numbers count the table's rows in the order they were written.
struct RowEdits
{
    QList<int> moved; // the data goes to pages appended to the table
    QList<int> deleted;
};

// Applies the edits to the file's bytes. The table definition then counts only the live rows and the table's maps
// and the global map name the new pages. Fails on files whose maps are not inline or rows not in range.
bool applyRowEdits(QByteArray &file, const RowEdits &edits, QString *error);

// Where a damaged file's moved row points its home slot.
enum class MovedRowDamage {
    PageNotOwned, // a data page of the catalogue
    PastEndOfFile,
    SlotWithoutMovedRow, // a live row of the table that never moved
    SlotPastRowCount, // a row number the page does not have
    Loop, // the home slot itself
};

// Redirects the home pointer of row, which applyRowEdits moved.
bool damageMovedRow(QByteArray &file, int row, MovedRowDamage damage, QString *error);

} // namespace velkaro::mkbase
