#include "database/core/DatabaseError.h"
#include "ui/PaintingWait.h"

#include <QThread>
#include <QTimer>
#include <QtTest>

#include <chrono>
#include <future>

using velkaro::ui::PaintingWait;

class tst_ui_paintingwait : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void windowEventsRunDuringTheStep();
    void stepFailureComesBack();
};

// The step blocks until a timer of the user-interface thread has fired: it can end only if that thread serves
// its events while it waits.
void tst_ui_paintingwait::windowEventsRunDuringTheStep()
{
    std::promise<void> timerFired;
    QTimer::singleShot(5, [&timerFired] { timerFired.set_value(); });
    QThread *stepThread = nullptr;
    bool served = false;

    PaintingWait().run([&] {
        stepThread = QThread::currentThread();
        served = timerFired.get_future().wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    });

    QVERIFY(served);
    QVERIFY(stepThread != QThread::currentThread());
}

void tst_ui_paintingwait::stepFailureComesBack()
{
    QVERIFY_THROWS_EXCEPTION(velkaro::database::DatabaseError,
        PaintingWait().run([] { throw velkaro::database::DatabaseError("unreadable"); }));
}

QTEST_MAIN(tst_ui_paintingwait)
#include "tst_ui_paintingwait.moc"
