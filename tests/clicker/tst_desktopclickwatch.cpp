#include "desktopclickwatch.h"

#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <windows.h>

// A window of the suite's own, which counts the presses that reach it.
class Target final : public QWidget
{
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent *) override { ++presses; }
};

class TestDesktopClickWatch : public QObject
{
    Q_OBJECT

private slots:
    void hookSeesClicksAndGoesWithTheWatch();
};

// A press through the system's input queue reaches both the watch and the window beneath it.
// A hook left behind by a watch that ended would report every later press a second time.
void TestDesktopClickWatch::hookSeesClicksAndGoesWithTheWatch()
{
    Target target;
    target.setGeometry(100, 100, 200, 200);
    target.show();
    QVERIFY(QTest::qWaitForWindowExposed(&target));
    const QPoint centre = target.mapToGlobal(target.rect().center());
    INPUT click[2] = {{INPUT_MOUSE, {}}, {INPUT_MOUSE, {}}};
    click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    for (int watches = 1; watches <= 2; ++watches) {
        DesktopClickWatch watch;
        QSignalSpy pressed(&watch, &DesktopClickWatch::pressed);
        QCOMPARE(watch.start(), QString());
        SetCursorPos(centre.x(), centre.y());
        SendInput(2, click, sizeof(INPUT));
        QTRY_COMPARE(target.presses, watches);
        QTest::qWait(200); // time for a second report, should there be one
        QCOMPARE(pressed.size(), 1);
        QCOMPARE(pressed[0][0].toPoint(), centre);
    }
}

QTEST_MAIN(TestDesktopClickWatch)
#include "tst_desktopclickwatch.moc"
