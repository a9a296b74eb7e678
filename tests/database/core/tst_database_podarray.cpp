#include "database/core/ArrayMemory.h"
#include "database/core/PodArray.h"

#include <QTest>

#ifdef __linux__
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>

#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <thread>
#endif

#include <cstdint>
#include <string>

using velkaro::database::PodArray;

// Values survive every way a block can change: within the allocator, into pages of its own, growing and
// moving there, and shrinking back.
class tst_database_podarray : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void valuesSurviveEveryResize();
    void valuesSurviveGrowingIntoFreedPages();
    void valuesSurviveAShrinkRefusedInPlace();
    void freedPagesGoBackUnlessAReadCanUseThem();
};

namespace {

bool holdsSequence(const PodArray<std::uint32_t> &values, std::size_t count)
{
    if (values.size() != count)
        return false;
    for (std::size_t i = 0; i < count; ++i) {
        if (values[i] != std::uint32_t(i * 2654435761U))
            return false;
    }
    return true;
}

void appendSequence(PodArray<std::uint32_t> &values, std::size_t count)
{
    for (std::size_t i = values.size(); i < count; ++i)
        values.push_back(std::uint32_t(i * 2654435761U));
}

} // namespace

void tst_database_podarray::valuesSurviveEveryResize()
{
    PodArray<std::uint32_t> values;
    // 1,000 values stay with the allocator; 3,000,000 (12 MB) grow through pages of their own.
    appendSequence(values, 1000);
    QVERIFY(holdsSequence(values, 1000));
    appendSequence(values, 3000000);
    QVERIFY(holdsSequence(values, 3000000));
    values.shrinkToFit();
    QVERIFY(holdsSequence(values, 3000000));

    PodArray<std::uint32_t> moved(std::move(values));
    QVERIFY(holdsSequence(moved, 3000000));

    // Back below the allocator's size: a block of pages copied into a small one.
    PodArray<std::uint32_t> small;
    small.append(moved.data(), 100);
    moved = std::move(small);
    moved.shrinkToFit();
    QVERIFY(holdsSequence(moved, 100));

    PodArray<char> bytes;
    const std::string chunk(4096 + 3, 'x');
    for (int i = 0; i < 1000; ++i)
        bytes.append(chunk.data(), chunk.size());
    QCOMPARE(bytes.size(), std::size_t(1000) * chunk.size());
    QCOMPARE(std::string(bytes.data() + bytes.size() - 5, 5), std::string(5, 'x'));
}

// Freed blocks lend their pages to the next that grow: a block made of several such pieces still grows,
// moves and shrinks with its values, and none of them is lost when the pieces are given back.
void tst_database_podarray::valuesSurviveGrowingIntoFreedPages()
{
    const velkaro::database::SparePagesForRead read(std::size_t {64} << 20);
    for (const std::size_t count : {600000, 1100000, 2300000}) {
        PodArray<std::uint32_t> freed;
        appendSequence(freed, count);
    }
    PodArray<std::uint32_t> values;
    PodArray<std::uint32_t> other;
    for (const std::size_t count : {500000, 2000000, 9000000}) {
        appendSequence(values, count);
        appendSequence(other, count / 2);
        QVERIFY(holdsSequence(values, count));
        QVERIFY(holdsSequence(other, count / 2));
    }
    velkaro::database::releaseSparePages();
    values.shrinkToFit();
    QVERIFY(holdsSequence(values, 9000000));
    QVERIFY(holdsSequence(other, 4500000));
}

#ifdef __linux__
namespace {

// The memory of this process that is in use, in MB.
long residentMegabytes()
{
    long pages = 0;
    long resident = 0;
    if (FILE *statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * sysconf(_SC_PAGESIZE) >> 20;
}

void fill(PodArray<std::uint32_t> &values, std::size_t megabytes)
{
    appendSequence(values, megabytes << 18);
}

// Makes every in-place resize of a mapping (mremap without flags) in the calling thread fail as if memory had run
// out, as the system may refuse to split a mapping; moves (MREMAP_MAYMOVE) still work.
bool refuseInPlaceRemapping()
{
    constexpr auto argument3 = offsetof(seccomp_data, args) + 3 * sizeof(std::uint64_t);
    sock_filter instructions[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 0, 5),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_mremap, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, argument3),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | ENOMEM),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    const sock_fprog program {std::size(instructions), instructions};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

} // namespace
#endif

// A block shrinking from 24 MB to 12 MB moves when the system will not shrink it where it is.
void tst_database_podarray::valuesSurviveAShrinkRefusedInPlace()
{
#if defined(__linux__) && defined(__x86_64__)
    PodArray<std::uint32_t> values;
    values.reserve(6000000);
    appendSequence(values, 3000000);
    bool refused = false;
    bool shrunk = false;
    std::thread([&] {
        refused = refuseInPlaceRemapping();
        try {
            values.shrinkToFit();
            shrunk = true;
        } catch (const velkaro::database::DatabaseError &) { }
    }).join();
    QVERIFY(refused);
    QVERIFY(shrunk);
    QVERIFY(holdsSequence(values, 3000000));
    appendSequence(values, 4000000);
    QVERIFY(holdsSequence(values, 4000000));
#else
    QSKIP("the refusal is made with a seccomp filter for x86-64 Linux");
#endif
}

// Freed outside a read, a large block's pages wait a moment for a read, which takes what it can use, and go back
// unless one comes; during a read they are kept as far as it can use them, and go back when it ends.
void tst_database_podarray::freedPagesGoBackUnlessAReadCanUseThem()
{
#ifdef __linux__
    for (const bool readFollows : {true, false}) {
        PodArray<std::uint32_t> result;
        fill(result, 64);
        const long filled = residentMegabytes();
        result = {};
        QVERIFY(residentMegabytes() > filled - 16); // kept for a read that may follow
        if (readFollows) {
            const velkaro::database::SparePagesForRead read(std::size_t {32} << 20);
            QVERIFY(residentMegabytes() < filled - 24); // more than the read can use
            QVERIFY(residentMegabytes() > filled - 40);
        }
        QTRY_VERIFY2_WITH_TIMEOUT(residentMegabytes() < filled - 48, qPrintable(QString::number(residentMegabytes())),
            10000);
    }
    PodArray<std::uint32_t> larger;
    PodArray<std::uint32_t> smaller;
    fill(larger, 64);
    fill(smaller, 16);
    const long filled = residentMegabytes();
    {
        const velkaro::database::SparePagesForRead read(std::size_t {32} << 20);
        larger = {};
        QVERIFY(residentMegabytes() < filled - 48); // more than the read can use
        smaller = {};
        QVERIFY(residentMegabytes() > filled - 72); // kept for the read
    }
    QVERIFY(residentMegabytes() < filled - 72);
#else
    QSKIP("the resident memory is read from /proc");
#endif
}

QTEST_APPLESS_MAIN(tst_database_podarray)
#include "tst_database_podarray.moc"
