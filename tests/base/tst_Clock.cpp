#include "base/Clock.h"

#include <QFile>
#include <QTest>
#include <QThread>

class TestClock : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tickCountFollowsTheUptime();
    void tickCountAdvancesInMilliseconds();
    void localNowIsTheLocalTime();
};

// The tick is the time since boot, as /proc/uptime counts it, cut to 32 bits.
void TestClock::tickCountFollowsTheUptime()
{
    QFile uptime(QStringLiteral("/proc/uptime"));
    if (!uptime.open(QIODevice::ReadOnly))
        QSKIP("/proc/uptime is not readable here");
    const double seconds = uptime.readAll().split(' ').value(0).toDouble();
    const quint32 expected = quint32(quint64(seconds * 1000.0));
    const quint32 tick = SystemClock().tickCount();
    const qint32 difference = qint32(tick - expected); // wrap-safe
    QVERIFY2(difference >= -100 && difference <= 1000, qPrintable(QString::number(difference)));
}

void TestClock::tickCountAdvancesInMilliseconds()
{
    const SystemClock clock;
    const quint32 before = clock.tickCount();
    QThread::msleep(120);
    const quint32 elapsed = clock.tickCount() - before;
    QVERIFY2(elapsed >= 110 && elapsed < 5000, qPrintable(QString::number(elapsed)));
}

void TestClock::localNowIsTheLocalTime()
{
    const QDateTime now = SystemClock().localNow();
    QCOMPARE(now.timeSpec(), Qt::LocalTime);
    QVERIFY(qAbs(now.msecsTo(QDateTime::currentDateTime())) < 2000);
}

QTEST_GUILESS_MAIN(TestClock)
#include "tst_Clock.moc"
