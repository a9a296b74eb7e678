#include "MkBase.h"
#include "database/connection/ConnectionString.h"
#include "support/RunState.h"
#include "support/WindowRecorders.h"
#include "ui/ResultListBox.h"
#include "ui/frmFinder.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <qpa/qwindowsysteminterface.h>

#include <memory>

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

} // namespace

// What the window does with input that arrives while a search runs.
class tst_ui_frmfinder_busy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void pressDuringASearchRunsAfterIt_data();
    void pressDuringASearchRunsAfterIt();

private:
    QTemporaryDir m_folder;
    QString m_directory;
};

// Large enough that a search reading it outlasts the screen reader's press, which Qt delays by 100 ms.
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
    QTimer::singleShot(0, this, [&] {
        QVERIFY(QApplication::overrideCursor()); // the first search runs
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
    QVERIFY(way == u"key" || pressedDuringSearch);
    for (const QString &name : subscribers(*list))
        QVERIFY2(name.contains(u"ПЕТРОВ"), qPrintable(name));
    QCOMPARE(messages, QList<RecordedMessage>());
}

QTEST_MAIN(tst_ui_frmfinder_busy)
#include "tst_ui_frmfinder_busy.moc"
