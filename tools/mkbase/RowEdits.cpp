#include "RowEdits.h"

#include <QSet>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace velkaro::mkbase {

namespace {

constexpr quint16 kOffsetMask = 0x1FFF;
constexpr quint16 kMovedHome = 0x4000;
constexpr quint16 kMovedData = 0x8000;
constexpr quint16 kDeleted = kMovedHome | kMovedData;
constexpr int kMaxRowsPerPage = 255;
constexpr quint32 kGlobalMapPage = 1;
constexpr quint32 kCataloguePage = 2;

// Where Jet 3 and Jet 4 (ACE alike) keep the fields this file touches.
struct Geometry
{
    int pageSize;
    int rowCountAt; // data page: row count, the row offsets follow
    int tableTypeAt; // table definition page
    int definitionRowCountAt;
    int ownedMapAt;
    int freeMapAt;
};

constexpr Geometry kJet3 {2048, 8, 20, 12, 35, 39};
constexpr Geometry kJet4 {4096, 12, 40, 16, 55, 59};

struct Slot
{
    quint16 flags = 0;
    QByteArray bytes;
};

quint32 get16(const QByteArray &b, qsizetype at)
{
    return quint8(b.at(at)) | quint32(quint8(b.at(at + 1))) << 8;
}

quint32 get32(const QByteArray &b, qsizetype at)
{
    return get16(b, at) | get16(b, at + 2) << 16;
}

void set16(QByteArray &b, qsizetype at, quint32 v)
{
    b[at] = char(v);
    b[at + 1] = char(v >> 8);
}

void set32(QByteArray &b, qsizetype at, quint32 v)
{
    set16(b, at, v);
    set16(b, at + 2, v >> 16);
}

QByteArray pointerBytes(quint32 page, quint32 row)
{
    QByteArray b(4, '\0');
    set32(b, 0, page << 8 | row);
    return b;
}

// The pages of a file held in memory.
struct PageFile
{
    explicit PageFile(QByteArray &file)
        : data(file)
        , geometry(file.at(0x14) == 0 ? kJet3 : kJet4)
    { }

    QByteArray &data;
    const Geometry geometry;

    quint32 pageCount() const { return quint32(data.size() / geometry.pageSize); }
    qsizetype at(quint32 page) const { return qsizetype(page) * geometry.pageSize; }
    quint8 type(quint32 page) const { return quint8(data.at(at(page))); }
    quint32 owner(quint32 page) const { return get32(data, at(page) + 4); }
    int rowCount(quint32 page) const { return int(get16(data, at(page) + geometry.rowCountAt)); }
    qsizetype slotAt(quint32 page, int row) const { return at(page) + geometry.rowCountAt + 2 + 2 * row; }

    QList<Slot> slots(quint32 page) const
    {
        QList<Slot> result;
        int end = geometry.pageSize;
        for (int row = 0; row < rowCount(page); ++row) {
            const quint32 offset = get16(data, slotAt(page, row));
            const int start = int(offset & kOffsetMask);
            result.append({quint16(offset & ~kOffsetMask), data.mid(at(page) + start, end - start)});
            end = start;
        }
        return result;
    }

    int freeSpace(const QList<Slot> &slots) const
    {
        int free = geometry.pageSize - geometry.rowCountAt - 2;
        for (const Slot &slot : slots)
            free -= int(slot.bytes.size()) + 2;
        return free;
    }

    // Rewrites a data page of owner with the slots, rows placed from the end of the page.
    void writePage(quint32 page, quint32 owner, const QList<Slot> &slots)
    {
        QByteArray bytes(geometry.pageSize, '\0');
        bytes[0] = 0x01;
        bytes[1] = 0x01;
        set16(bytes, 2, quint32(freeSpace(slots)));
        set32(bytes, 4, owner);
        set16(bytes, geometry.rowCountAt, quint32(slots.size()));
        int start = geometry.pageSize;
        for (int row = 0; row < slots.size(); ++row) {
            start -= int(slots.at(row).bytes.size());
            bytes.replace(start, slots.at(row).bytes.size(), slots.at(row).bytes);
            set16(bytes, geometry.rowCountAt + 2 + 2 * row, quint32(start) | slots.at(row).flags);
        }
        if (page == pageCount())
            data += bytes;
        else
            data.replace(at(page), geometry.pageSize, bytes);
    }

    // File offset of the row a row pointer names, and its length; false when it names no row.
    bool locateRow(quint32 pointer, qsizetype *start, int *length) const
    {
        const quint32 page = pointer >> 8;
        const int row = int(pointer & 0xFF);
        if (page >= pageCount() || type(page) != 0x01 || row >= rowCount(page))
            return false;
        const int begin = int(get16(data, slotAt(page, row)) & kOffsetMask);
        const int end = row == 0 ? geometry.pageSize : int(get16(data, slotAt(page, row - 1)) & kOffsetMask);
        *start = at(page) + begin;
        *length = end - begin;
        return begin < end && end <= geometry.pageSize;
    }

    quint32 userTable() const
    {
        for (quint32 page = kCataloguePage + 1; page < pageCount(); ++page) {
            if (type(page) == 0x02 && quint8(data.at(at(page) + geometry.tableTypeAt)) == 0x4E)
                return page;
        }
        return 0;
    }
};

// A type-0 map row: start page, then one bit a page.
class InlineMap
{
public:
    InlineMap(QByteArray &file, qsizetype start, int length)
        : m_file(file)
        , m_start(start)
        , m_length(length)
    { }

    bool isInline() const { return m_length > 5 && m_file.at(m_start) == 0; }
    quint32 firstPage() const { return get32(m_file, m_start + 1); }
    quint32 pagesCovered() const { return quint32(m_length - 5) * 8; }
    bool covers(quint32 page) const { return page >= firstPage() && page - firstPage() < pagesCovered(); }

    bool contains(quint32 page) const
    {
        if (!covers(page))
            return false;
        const quint32 bit = page - firstPage();
        return quint8(m_file.at(m_start + 5 + bit / 8)) >> (bit % 8) & 1;
    }

    void set(quint32 page, bool on)
    {
        const quint32 bit = page - firstPage();
        char &byte = m_file[m_start + 5 + bit / 8];
        byte = char(on ? byte | (1 << (bit % 8)) : byte & ~(1 << (bit % 8)));
    }

private:
    QByteArray &m_file;
    qsizetype m_start;
    int m_length;
};

bool fail(QString *error, const QString &message)
{
    *error = message;
    return false;
}

bool mapOf(PageFile &file, quint32 pointer, std::optional<InlineMap> *map, QString *error)
{
    qsizetype start = 0;
    int length = 0;
    if (!file.locateRow(pointer, &start, &length))
        return fail(error, u"a usage map row is missing"_s);
    map->emplace(file.data, start, length);
    if (!(*map)->isInline())
        return fail(error, u"row edits need a file whose usage maps are inline (a small table)"_s);
    return true;
}

// The table's data pages in page order.
QList<quint32> dataPages(const PageFile &file, const InlineMap &owned, quint32 table)
{
    QList<quint32> pages;
    for (quint32 page = owned.firstPage(); page < owned.firstPage() + owned.pagesCovered(); ++page) {
        if (page < file.pageCount() && owned.contains(page) && file.type(page) == 0x01 && file.owner(page) == table)
            pages.append(page);
    }
    return pages;
}

bool isHomeSlot(const Slot &slot)
{
    return slot.flags != kMovedData;
}

} // namespace

bool applyRowEdits(QByteArray &bytes, const RowEdits &edits, QString *error)
{
    PageFile file(bytes);
    const quint32 table = file.userTable();
    if (table == 0)
        return fail(error, u"the file has no user table"_s);
    const qsizetype definition = file.at(table);
    std::optional<InlineMap> owned;
    std::optional<InlineMap> free;
    std::optional<InlineMap> global;
    if (!mapOf(file, get32(bytes, definition + file.geometry.ownedMapAt), &owned, error)
        || !mapOf(file, get32(bytes, definition + file.geometry.freeMapAt), &free, error)
        || !mapOf(file, kGlobalMapPage << 8, &global, error))
        return false;

    const QSet<int> moved(edits.moved.cbegin(), edits.moved.cend());
    const QSet<int> deleted(edits.deleted.cbegin(), edits.deleted.cend());
    if (moved.intersects(deleted))
        return fail(error, u"a row cannot be both moved and deleted"_s);

    const QList<quint32> pages = dataPages(file, *owned, table);
    const quint32 firstNewPage = file.pageCount();
    QList<QList<Slot>> newPages(1);
    QList<quint32> pointerHomes; // for each moved row, in order: home page << 8 | home slot
    QList<QList<Slot>> homePages;
    int rowNumber = 0;
    int live = 0;
    int smallestRow = file.geometry.pageSize;
    for (const quint32 page : pages) {
        QList<Slot> slots = file.slots(page);
        for (int s = 0; s < slots.size(); ++s) {
            Slot &slot = slots[s];
            if (!isHomeSlot(slot) || slot.flags != 0)
                return fail(error, u"the table already holds edited rows"_s);
            smallestRow = std::min(smallestRow, int(slot.bytes.size()));
            const int number = rowNumber++;
            if (deleted.contains(number)) {
                slot.flags = kDeleted;
                continue;
            }
            ++live;
            if (!moved.contains(number))
                continue;
            QList<Slot> *target = &newPages.last();
            QList<Slot> trial = *target;
            trial.append({kMovedData, slot.bytes});
            if (target->size() == kMaxRowsPerPage || file.freeSpace(trial) < 0) {
                newPages.append(QList<Slot>());
                target = &newPages.last();
            }
            const quint32 newPage = firstNewPage + quint32(newPages.size() - 1);
            target->append({kMovedData, slot.bytes});
            slot = {kMovedHome, pointerBytes(newPage, quint32(target->size() - 1))};
        }
        homePages.append(slots);
    }
    for (const int number : moved + deleted) {
        if (number < 0 || number >= rowNumber)
            return fail(error, u"row %1 is not in the table of %2 rows"_s.arg(number).arg(rowNumber));
    }
    if (newPages.last().isEmpty())
        newPages.removeLast();
    const quint32 lastNewPage = firstNewPage + quint32(newPages.size()) - 1;
    if (!newPages.isEmpty()
        && (!owned->covers(lastNewPage) || !free->covers(lastNewPage) || !global->covers(lastNewPage)))
        return fail(error, u"the new pages lie outside the inline usage maps"_s);

    for (qsizetype i = 0; i < pages.size(); ++i)
        file.writePage(pages.at(i), table, homePages.at(i));
    for (qsizetype i = 0; i < newPages.size(); ++i) {
        const quint32 page = firstNewPage + quint32(i);
        file.writePage(page, table, newPages.at(i));
        owned->set(page, true);
        global->set(page, false); // a set bit in the global map means free
    }
    // The free-space map names the pages that can take the table's smallest row.
    QList<quint32> all = pages;
    for (quint32 page = firstNewPage; page < file.pageCount(); ++page)
        all.append(page);
    for (const quint32 page : all)
        free->set(page, file.freeSpace(file.slots(page)) >= smallestRow + 2 && file.rowCount(page) < kMaxRowsPerPage);
    set32(bytes, definition + file.geometry.definitionRowCountAt, quint32(live));
    return true;
}

bool damageMovedRow(QByteArray &bytes, int row, MovedRowDamage damage, QString *error)
{
    PageFile file(bytes);
    const quint32 table = file.userTable();
    std::optional<InlineMap> owned;
    if (table == 0 || !mapOf(file, get32(bytes, file.at(table) + file.geometry.ownedMapAt), &owned, error))
        return fail(error, u"the file has no user table with an inline map"_s);
    int number = 0;
    quint32 ordinary = 0; // a slot of a row that never moved
    qsizetype home = -1;
    quint32 homePointer = 0;
    for (const quint32 page : dataPages(file, *owned, table)) {
        const QList<Slot> slots = file.slots(page);
        for (int s = 0; s < slots.size(); ++s) {
            if (slots.at(s).flags == 0 && ordinary == 0)
                ordinary = page << 8 | quint32(s);
            if (!isHomeSlot(slots.at(s)))
                continue;
            if (number++ == row && slots.at(s).flags == kMovedHome) {
                qsizetype start = 0;
                int length = 0;
                file.locateRow(page << 8 | quint32(s), &start, &length);
                home = start;
                homePointer = page << 8 | quint32(s);
            }
        }
    }
    if (home < 0)
        return fail(error, u"row %1 did not move"_s.arg(row));
    const quint32 target = get32(bytes, home);
    quint32 pointer = 0;
    switch (damage) {
    case MovedRowDamage::PageNotOwned:
        for (quint32 page = 1; page < file.pageCount() && pointer == 0; ++page) {
            if (file.type(page) == 0x01 && file.owner(page) == kCataloguePage)
                pointer = page << 8;
        }
        break;
    case MovedRowDamage::PastEndOfFile:
        pointer = (file.pageCount() + 16) << 8;
        break;
    case MovedRowDamage::SlotWithoutMovedRow:
        if (ordinary == 0)
            return fail(error, u"every row of the table moved"_s);
        pointer = ordinary;
        break;
    case MovedRowDamage::SlotPastRowCount:
        pointer = (target & ~0xFFu) | quint32(file.rowCount(target >> 8));
        break;
    case MovedRowDamage::Loop:
        pointer = homePointer;
        break;
    }
    set32(bytes, home, pointer);
    return true;
}

} // namespace velkaro::mkbase
