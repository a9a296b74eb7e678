#include "database/reader/ReaderLockDown.h"
#include "database/readtable/ReadTableFixtures.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <functional>
#include <vector>

using namespace velkaro::reader;
using namespace Qt::Literals::StringLiterals;

namespace {

// What a process under the lock-down tries after it.
enum class Attempt { ReadWriteAndEnd, OpenFile, StartProgram, OpenSocket, MapExecutable, WriteElsewhere, Trace };

bool kernelHasSeccomp()
{
    return prctl(PR_GET_SECCOMP, 0, 0, 0, 0) >= 0 || errno != EINVAL;
}

// The child's attempt on `path`, a file that exists; returns only where the kernel let it through.
long attempt(Attempt what, const char *path, int input, int output)
{
    switch (what) {
    case Attempt::ReadWriteAndEnd: {
        // Memory beyond the heap, touched, as a large table takes it.
        std::vector<char> bytes(64 << 20, 'x');
        return pread(input, bytes.data(), 16, 0) == 16 ? write(output, bytes.data(), 16) : -1;
    }
    case Attempt::OpenFile:
        return open(path, O_RDONLY);
    case Attempt::StartProgram: {
        char program[] = "/bin/true";
        char *const arguments[] = {program, nullptr};
        return execve(program, arguments, environ);
    }
    case Attempt::OpenSocket:
        return socket(AF_INET, SOCK_STREAM, 0);
    case Attempt::MapExecutable:
        return mmap(nullptr, 4096, PROT_READ | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0) == MAP_FAILED ? -1 : 0;
    case Attempt::WriteElsewhere:
        return write(input, "x", 1);
    case Attempt::Trace:
        return ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
    }
    return -1;
}

// The wait status of a child process that runs `child` and exits with what it returns.
int statusOfChild(const std::function<int()> &child)
{
    const pid_t pid = fork();
    if (pid == 0)
        _exit(child());
    int status = -1;
    return pid > 0 && waitpid(pid, &status, 0) == pid ? status : -1;
}

} // namespace

// The reader locks itself down, and the lock-down kills a process that reaches for anything but its descriptors.
class tst_reader_lockdown : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void readerRunsLockedDown();
    void lockedDownProcess_data();
    void lockedDownProcess();
    void fileSystemDenied();

private:
    QTemporaryDir m_dir;
};

void tst_reader_lockdown::initTestCase()
{
    QVERIFY(m_dir.isValid());
    if (!kernelHasSeccomp())
        QSKIP("this kernel has no seccomp");
}

void tst_reader_lockdown::readerRunsLockedDown()
{
#ifdef __SANITIZE_ADDRESS__
    QSKIP("the sanitized reader runs unlocked");
#endif
    // A stream larger than the pipe: nobody reads it yet, so the reader waits, locked down, on a full pipe.
    const QString path = velkaro::database::test::writeDirectory(m_dir.filePath(u"big.mdb"_s), 30000, 7);
    QProcess reader;
    reader.start(QCoreApplication::applicationDirPath() + u"/velkaro-reader"_s, {path, u"Base"_s});
    QVERIFY(reader.waitForStarted());
    QFile proc(u"/proc/"_s + QString::number(reader.processId()) + u"/status"_s);
    QByteArray status;
    for (QDeadlineTimer deadline(20000); !status.contains("Seccomp:\t2") && !deadline.hasExpired();
         QThread::msleep(10)) {
        QVERIFY(proc.open(QIODevice::ReadOnly));
        status = proc.readAll();
        proc.close();
    }
    QVERIFY2(status.contains("Seccomp:\t2\n") && status.contains("NoNewPrivs:\t1\n"), status.constData());

    QVERIFY(reader.waitForFinished(20000));
    QCOMPARE(reader.exitStatus(), QProcess::NormalExit);
    QCOMPARE(reader.exitCode(), 0);
}

void tst_reader_lockdown::lockedDownProcess_data()
{
    QTest::addColumn<Attempt>("what");
    QTest::addColumn<bool>("killed");

    QTest::newRow("read, write, allocate, end") << Attempt::ReadWriteAndEnd << false;
    QTest::newRow("open a file") << Attempt::OpenFile << true;
    QTest::newRow("start a program") << Attempt::StartProgram << true;
    QTest::newRow("open a socket") << Attempt::OpenSocket << true;
    QTest::newRow("map executable memory") << Attempt::MapExecutable << true;
    QTest::newRow("write another descriptor") << Attempt::WriteElsewhere << true;
    QTest::newRow("ask to be traced") << Attempt::Trace << true;
}

void tst_reader_lockdown::lockedDownProcess()
{
    QFETCH(Attempt, what);
    QFETCH(bool, killed);
#ifdef __SANITIZE_ADDRESS__
    if (!killed)
        QSKIP("the sanitizer's runtime makes calls the lock-down forbids (the sanitized reader runs unlocked)");
#endif

    const QByteArray path = QFile::encodeName(m_dir.filePath(u"input"_s));
    velkaro::database::test::writeFile(QFile::decodeName(path), "sixteen bytes ok");
    const int inputFd = open(path.constData(), O_RDWR | O_CLOEXEC);
    int output[2];
    QVERIFY(inputFd >= 0 && pipe2(output, O_CLOEXEC) == 0);

    const int status = statusOfChild([&] {
        if (lockDownProcess(output[1]) != Protection::Enforced)
            return 2;
        return attempt(what, path.constData(), inputFd, output[1]) < 0 ? 1 : 0;
    });
    close(output[1]);
    close(inputFd);
    char written[16] = {};
    const ssize_t got = read(output[0], written, sizeof written);
    close(output[0]);

    if (killed) {
        QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == SIGSYS, qPrintable(QString::number(status, 16)));
        QCOMPARE(got, 0);
    } else {
        QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0, qPrintable(QString::number(status, 16)));
        QCOMPARE(QByteArray(written, int(got)), QByteArray("sixteen bytes ok"));
    }
}

void tst_reader_lockdown::fileSystemDenied()
{
    const QByteArray path = QFile::encodeName(QCoreApplication::applicationFilePath());
    const int status = statusOfChild([&] {
        const Protection landlock = denyFileSystem();
        if (landlock != Protection::Enforced)
            return landlock == Protection::NotOffered ? 3 : 2;
        return open(path.constData(), O_RDONLY) < 0 && errno == EACCES ? 0 : 1;
    });
    QVERIFY(WIFEXITED(status));
    if (WEXITSTATUS(status) == 3)
        QSKIP("this kernel offers no Landlock");
    QCOMPARE(WEXITSTATUS(status), 0);
}

QTEST_GUILESS_MAIN(tst_reader_lockdown)
#include "tst_reader_lockdown.moc"
