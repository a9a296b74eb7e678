#include "database/readtable/ReaderProcessGuard.h"

#include <QProcess>
#include <QTest>

#include <optional>

#include <windows.h>

using namespace Qt::StringLiterals;
using velkaro::database::ReaderProcessGuard;

namespace {

constexpr std::uint64_t kFileBytes = 1000;

QString probe()
{
    return QCoreApplication::applicationDirPath() + u"/guard-probe.exe"_s;
}

// What the probe reports when it is handed an inheritable handle of this process.
QByteArray probeReport(bool guarded)
{
    SECURITY_ATTRIBUTES inheritable {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const HANDLE event = CreateEventW(&inheritable, FALSE, FALSE, nullptr);
    QProcess process;
    std::optional<ReaderProcessGuard> guard;
    if (guarded)
        guard.emplace(process, kFileBytes);
    process.start(probe(), {QString::number(reinterpret_cast<quintptr>(event))});
    const bool confined = !guard || guard->confine();
    const bool finished = process.waitForFinished(10000);
    CloseHandle(event);
    return confined && finished ? process.readAllStandardOutput().trimmed() : QByteArrayLiteral("not run");
}

} // namespace

// The reader's confinement on Windows: a job, no inherited handle but its standard ones, and killed when the program
// lets go of it.
class tst_readtable_guard : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void unguardedChildInheritsHandles();
    void guardedChildRunsInItsJobWithNothingInherited();
    void lettingGoOfTheGuardKillsTheChild();
};

// Shows that the probe tells: QProcess alone hands the child every inheritable handle and no job.
void tst_readtable_guard::unguardedChildInheritsHandles()
{
    QCOMPARE(probeReport(false), QByteArray("job 0 handle 1"));
}

void tst_readtable_guard::guardedChildRunsInItsJobWithNothingInherited()
{
    QCOMPARE(probeReport(true), QByteArray("job 1 handle 0"));
}

void tst_readtable_guard::lettingGoOfTheGuardKillsTheChild()
{
    QProcess process;
    {
        ReaderProcessGuard guard(process, kFileBytes);
        process.start(probe(), {u"wait"_s});
        QVERIFY(guard.confine());
        QVERIFY(!process.waitForFinished(300));
    }
    QVERIFY(process.waitForFinished(5000));
}

QTEST_GUILESS_MAIN(tst_readtable_guard)
#include "tst_readtable_guard.moc"
