#include "MkBase.h"
#include "database/connection/ConnectionString.h"
#include "database/connection/OdbcConnectionString.h"
#include "database/table/TableCache.h"
#include "support/Files.h"
#include "support/RunState.h"
#include "support/WindowRecorders.h"
#include "ui/ResultListBox.h"
#include "ui/frmFinder.h"
#include "ui/frmSettings.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QDeadlineTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <qpa/qwindowsysteminterface.h>

#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

using namespace Qt::StringLiterals;
using velkaro::ui::frmFinder;
using velkaro::ui::ResultListBox;

namespace {

// The subscribers of the listed records.
QStringList subscribers(const ResultListBox &list)
{
    QStringList names;
    for (int row = 1; row < list.ListCount(); row += 6)
        names.append(list.List(row).mid(QStringView(u"   Абонент:").size() + 16));
    return names;
}

// The readers this process has started that are running now, of process numbers above `after`. Read straight from
// /proc, so that a hold polling it catches even a reader that lives a few milliseconds.
QList<pid_t> runningReaders(pid_t after = 0)
{
    QList<pid_t> readers;
    DIR *processes = opendir("/proc");
    while (dirent *entry = processes ? readdir(processes) : nullptr) {
        const pid_t pid = pid_t(std::strtol(entry->d_name, nullptr, 10));
        if (pid <= after)
            continue;
        // "pid (name) state parent ..."; the name may hold blanks and parentheses.
        const QByteArray stat = velkaro::testing::readFile(u"/proc/%1/stat"_s.arg(pid));
        const qsizetype nameStart = stat.indexOf('(');
        const qsizetype nameEnd = stat.lastIndexOf(')');
        if (nameStart < 0 || nameEnd < nameStart
            || stat.mid(nameStart + 1, nameEnd - nameStart - 1) != "velkaro-reader")
            continue;
        const QList<QByteArray> fields = stat.mid(nameEnd + 2).split(' ');
        // A reader that ended and waits to be reaped (state Z) runs no more.
        if (fields.size() > 1 && fields[0] != "Z" && fields[1].toInt() == getpid())
            readers.append(pid);
    }
    if (processes)
        closedir(processes);
    return readers;
}

// The state lines of this process's readers, for a failure's message.
QByteArray readerStates()
{
    QByteArray states;
    for (pid_t reader : runningReaders())
        states += velkaro::testing::readFile(u"/proc/%1/stat"_s.arg(reader)).left(60) + ' ';
    return states;
}

// Stops every reader this process starts from now on until release(), from a thread of its own, so that whatever
// arrives meanwhile arrives during the search however fast the machine reads.
class ReaderHold
{
public:
    ReaderHold()
        : m_thread([this] {
            const QList<pid_t> before = runningReaders();
            const pid_t after = before.isEmpty() ? 0 : *std::max_element(before.begin(), before.end());
            QList<pid_t> held;
            while (!m_released) {
                for (pid_t reader : runningReaders(after)) {
                    if (!held.contains(reader) && kill(reader, SIGSTOP) == 0)
                        held.append(reader);
                }
            }
            for (pid_t reader : held)
                kill(reader, SIGCONT);
            m_held = !held.isEmpty();
        })
    { }
    ~ReaderHold()
    {
        m_released = true;
        m_thread.join();
    }
    ReaderHold(const ReaderHold &) = delete;
    ReaderHold &operator=(const ReaderHold &) = delete;

    void release() { m_released = true; }
    // Whether readers were held; waits for the release.
    bool held()
    {
        m_thread.join();
        m_thread = std::thread([] {});
        return m_held;
    }

private:
    std::atomic<bool> m_released = false;
    std::atomic<bool> m_held = false;
    std::thread m_thread;
};

// The address space the process uses now, from the kernel's own count.
rlim_t addressSpaceInUse()
{
    for (const QByteArray &line : velkaro::testing::readFile(u"/proc/self/status"_s).split('\n')) {
        if (line.startsWith("VmSize:"))
            return rlim_t(line.mid(7).trimmed().split(' ').first().toULongLong()) * 1024;
    }
    return 0;
}

// No more address space than is in use while it lives: every new block of any size fails.
class AddressSpaceCap
{
public:
    AddressSpaceCap()
    {
        getrlimit(RLIMIT_AS, &m_before);
        const rlimit capped {addressSpaceInUse(), m_before.rlim_max};
        m_capped = capped.rlim_cur > 0 && setrlimit(RLIMIT_AS, &capped) == 0;
    }
    ~AddressSpaceCap() { setrlimit(RLIMIT_AS, &m_before); }
    AddressSpaceCap(const AddressSpaceCap &) = delete;
    AddressSpaceCap &operator=(const AddressSpaceCap &) = delete;
    bool capped() const { return m_capped; }

private:
    rlimit m_before {};
    bool m_capped = false;
};

} // namespace

// What the window does with input that arrives while a search runs, and with failures at its edge.
class tst_ui_frmfinder_busy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void pressDuringASearchRunsAfterIt_data();
    void pressDuringASearchRunsAfterIt();
    void memoryRunningOutOnSettingsOkLeavesTheProgramUsable();

private:
    QTemporaryDir m_folder;
    QString m_directory;
};

// Large enough that letting go of a result of every entry with "а" copies tens of megabytes.
void tst_ui_frmfinder_busy::initTestCase()
{
    QVERIFY(m_folder.isValid());
    m_directory = m_folder.filePath(u"directory.mdb"_s);
    QString error;
    QVERIFY2(velkaro::mkbase::generateDirectory(400000, 7, m_directory, &error), qPrintable(error));
}

void tst_ui_frmfinder_busy::pressDuringASearchRunsAfterIt_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("Enter held back") << u"key"_s;
    QTest::newRow("queued call") << u"queued"_s;
    QTest::newRow("screen reader's press") << u"screen reader"_s;
}

// During a search for иванов the operator types петров and presses Find again: the second search runs after the
// first, on the new text; the first neither fails nor sees its connection closed under it.
void tst_ui_frmfinder_busy::pressDuringASearchRunsAfterIt()
{
    QFETCH(QString, way);
    velkaro::testing::resetRunState();
    QList<RecordedMessage> messages;
    QList<Launch> pages;
    frmFinder window(std::make_unique<RecordingLauncher>(pages), std::make_unique<MessageRecorder>(messages));
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    // The window's read ahead of the default file ends first, so that the readers held below are the search's.
    if (const auto file = velkaro::database::accessDatabaseFile(velkaro::database::ConnectionString());
        file && QFile::exists(*file)) {
        const auto readAheadDone = [&file] {
            return velkaro::database::directoryTableKept(*file) && runningReaders().isEmpty();
        };
        QDeadlineTimer deadline(20000);
        while (!readAheadDone() && !deadline.hasExpired())
            QTest::qWait(10);
        QVERIFY2(readAheadDone(),
            qPrintable(u"kept %1, readers %2"_s.arg(velkaro::database::directoryTableKept(*file))
                           .arg(QString::fromLatin1(readerStates()))));
    }
    // Set only now, so that no read ahead has it: the search reads it itself.
    velkaro::database::setDatabaseFile(m_directory);
    auto *find = window.findChild<QPushButton *>(u"cmdFind"_s);
    auto *subscriber = window.findChild<QLineEdit *>(u"txtAb"_s);
    auto *list = window.findChild<ResultListBox *>(u"lstAbs"_s);
    subscriber->setText(u"иванов"_s);
    subscriber->setFocus();

    bool pressedDuringSearch = false;
    connect(find, &QPushButton::released, this,
        [&pressedDuringSearch] { pressedDuringSearch = QApplication::overrideCursor() != nullptr; });
    ReaderHold hold;
    QTimer::singleShot(0, this, [&] {
        QVERIFY(QApplication::overrideCursor()); // the first search runs
        // Longer than the screen reader's press, which Qt releases after 100 ms.
        QTimer::singleShot(300, this, [&hold] { hold.release(); });
        subscriber->setText(u"петров"_s);
        if (way == u"key") {
            QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
                window.windowHandle(), QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
                window.windowHandle(), QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
        } else if (way == u"queued") {
            QMetaObject::invokeMethod(find, &QPushButton::click, Qt::QueuedConnection);
        } else {
            QAccessibleInterface *button = QAccessible::queryAccessibleInterface(find);
            QVERIFY(button && button->actionInterface());
            button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        }
    });
    find->click();
    QCOMPARE(messages, QList<RecordedMessage>());

    QTRY_VERIFY_WITH_TIMEOUT(!subscribers(*list).isEmpty() && subscribers(*list).first().startsWith(u"ПЕТРОВ"), 20000);
    QVERIFY(hold.held());
    QVERIFY(way == u"key" || pressedDuringSearch);
    for (const QString &name : subscribers(*list))
        QVERIFY2(name.contains(u"ПЕТРОВ"), qPrintable(name));
    QCOMPARE(messages, QList<RecordedMessage>());
}

// The settings' OK lets the listed records go from their table before the chosen file is read ahead; memory
// running out there ends that and nothing else.
void tst_ui_frmfinder_busy::memoryRunningOutOnSettingsOkLeavesTheProgramUsable()
{
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("the address sanitizer's shadow memory needs an unlimited address space");
#endif
    velkaro::testing::resetRunState();
    QList<RecordedMessage> messages;
    QList<Launch> pages;
    frmFinder window(std::make_unique<RecordingLauncher>(pages), std::make_unique<MessageRecorder>(messages));
    velkaro::database::setDatabaseFile(m_directory);
    auto *list = window.findChild<ResultListBox *>(u"lstAbs"_s);
    window.findChild<QLineEdit *>(u"txtAb"_s)->setText(u"а"_s);
    window.findChild<QPushButton *>(u"cmdFind"_s)->click();
    const int listed = list->ListCount();
    QVERIFY(listed > 600000); // letting go of its table copies tens of megabytes
    window.findChild<QAction *>(u"mSettings"_s)->trigger();
    velkaro::ui::frmSettings *settings = nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *found = qobject_cast<velkaro::ui::frmSettings *>(widget))
            settings = found;
    }
    QVERIFY(settings);
    const QString other = m_folder.filePath(u"other.mdb"_s);
    QVERIFY(QFile::copy(m_directory, other));
    settings->findChild<QLineEdit *>(u"txtPath"_s)->setText(other);

    {
        const AddressSpaceCap cap;
        QVERIFY(cap.capped());
        settings->findChild<QPushButton *>(u"cmdOK"_s)->click();
    }

    QVERIFY(messages.isEmpty());
    QCOMPARE(list->ListCount(), listed);
    QCOMPARE(velkaro::database::ConnectionString(), u"DRIVER=Microsoft Access Driver (*.mdb);DBQ="_s + other);
    window.findChild<QLineEdit *>(u"txtAb"_s)->setText(u"петров"_s);
    window.findChild<QPushButton *>(u"cmdFind"_s)->click();
    QVERIFY(messages.isEmpty());
    QVERIFY(!subscribers(*list).isEmpty());
    for (const QString &name : subscribers(*list))
        QVERIFY2(name.contains(u"ПЕТРОВ"), qPrintable(name));
}

QTEST_MAIN(tst_ui_frmfinder_busy)
#include "tst_ui_frmfinder_busy.moc"
