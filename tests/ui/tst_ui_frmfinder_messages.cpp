#include "database/connection/ConnectionString.h"
#include "support/ModalBoxCloser.h"
#include "support/RunState.h"
#include "support/WindowRecorders.h"
#include "ui/frmFinder.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;
using velkaro::ui::frmFinder;

class tst_ui_frmfinder_messages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void searchMessagesAreRealMessageBoxes_data();
    void searchMessagesAreRealMessageBoxes();
};

void tst_ui_frmfinder_messages::searchMessagesAreRealMessageBoxes_data()
{
    QTest::addColumn<QString>("street");
    QTest::addColumn<QString>("flat");
    QTest::addColumn<QString>("ab");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QMessageBox::Icon>("icon");

    QTest::newRow("flat without house") << u"садовая"_s << u"12"_s << QString() << u"Ошибка !"_s
                                        << u"Введите более точные данные!"_s << QMessageBox::Warning;
    QTest::newRow("nothing to search for") << QString() << QString() << QString() << u"Ошибка!"_s
                                           << u"Отсутствуют начальные данные!"_s << QMessageBox::Critical;
    QTest::newRow("database file missing") << QString() << QString() << u"иванов"_s << u"Ошибка !"_s
                                           << u"Ошибка при подключении к базе данных !"_s << QMessageBox::Critical;
}

void tst_ui_frmfinder_messages::searchMessagesAreRealMessageBoxes()
{
    QFETCH(QString, street);
    QFETCH(QString, flat);
    QFETCH(QString, ab);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(QMessageBox::Icon, icon);

    velkaro::testing::resetRunState();
    QList<Launch> pages;
    frmFinder window(std::make_unique<RecordingLauncher>(pages));
    const QTemporaryDir folder;
    velkaro::database::setDatabaseFile(folder.filePath(u"missing.mdb"_s));
    window.findChild<QLineEdit *>(u"txtStreet"_s)->setText(street);
    window.findChild<QLineEdit *>(u"txtFlat"_s)->setText(flat);
    window.findChild<QLineEdit *>(u"txtAb"_s)->setText(ab);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    std::optional<SeenBox> seen;
    const ModalBoxCloser closer(seen);
    QTest::mouseClick(window.findChild<QPushButton *>(u"cmdFind"_s), Qt::LeftButton);

    QVERIFY(seen);
    QCOMPARE(seen->title, title);
    QCOMPARE(seen->text, text);
    QCOMPARE(seen->icon, icon);
    QCOMPARE(seen->buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(seen->parent, &window);
    QVERIFY(seen->modal);
    QCOMPARE(seen->cursor, std::optional(Qt::ArrowCursor)); // the busy cursor gives way to the box
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

QTEST_MAIN(tst_ui_frmfinder_messages)
#include "tst_ui_frmfinder_messages.moc"
