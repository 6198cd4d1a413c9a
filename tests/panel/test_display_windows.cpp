// The analog and digital display windows.
#include "panel/Analog.h"
#include "panel/Digital.h"
#include "panel/NeedleMeter.h"
#include "panel/WindowPlacement.h"

#include <QLabel>
#include <QPointer>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

using nd::panel::Analog;
using nd::panel::Digital;
using nd::panel::NeedleMeter;
using nd::panel::ShownReading;

namespace {

/// A main window somewhere on the screen, shown so it has a frame.
struct MainWindow {
    QWidget widget;
    MainWindow() {
        widget.setGeometry(0, 40, 300, 200); // room beside it on the 800 x 600 test screen
        widget.show();
    }
    QPoint rightOfFrame() const {
        const QRect frame = widget.frameGeometry();
        return {frame.x() + frame.width(), frame.y()};
    }
};

QString valueOf(Digital& digital) {
    return digital.findChild<QLabel*>("LblValue")->text();
}

} // namespace

class TestDisplayWindows : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QSettings().clear();
    }

    // Both copy the main window's captions as they stand: digits 0000 are "142.0" and a
    // dose is labelled as a dose, never a level of their own making.
    void displaysFollowTheMainWindowOnTheirTimers() {
        MainWindow main;
        ShownReading shown{" 70.1 ", "dBA"};
        Analog analog([&shown] { return shown; }, &main.widget);
        Digital digital([&shown] { return shown.value; }, &main.widget);
        auto* needle = analog.findChild<NeedleMeter*>("TopMeter");
        QTRY_COMPARE(valueOf(digital), QString(" 70.1 "));
        shown = {"142.0", "dBA"};
        QTRY_COMPARE(needle->readingText(), QString("142.0 dBA"));
        QCOMPARE(needle->value(), 142.0);
        QTRY_COMPARE(valueOf(digital), QString("142.0"));
        shown = {"85.00", "%DOSE"};
        QTRY_COMPARE(needle->readingText(), QString("85.00 %DOSE"));
    }

    void displaysOpenBesideTheMainWindowWithoutCoveringEachOtherAndGoWhenClosed() {
        MainWindow main;
        QPointer<Analog> analog = new Analog([] { return ShownReading{}; }, &main.widget);
        QCOMPARE(analog->pos(), main.rightOfFrame());
        analog->show();
        QPointer<Digital> digital = new Digital([] { return QString(); }, &main.widget);
        digital->show();
        QVERIFY(!digital->frameGeometry().intersects(analog->frameGeometry()));
        digital->move(400, 300);
        const QPoint closedAt = digital->pos();
        analog->close();
        digital->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(analog.isNull() && digital.isNull());
        // Opened again where it was closed.
        Digital again([] { return QString(); }, &main.widget);
        QCOMPARE(again.pos(), closedAt);
    }

    void placementAvoidsTakenPlacesAndStaysOnTheScreen_data() {
        QTest::addColumn<QPoint>("preferred");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QList<QRect>>("taken");
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("placed");
        const QRect analog(500, 0, 300, 300), wide(0, 0, 1920, 1080), small(0, 0, 1366, 768);
        const QRect main(0, 0, 620, 430);
        const QPoint right(500, 0);
        const QSize size(200, 150);
        QTest::newRow("free") << right << size << QList<QRect>{} << wide << QRect(right, size);
        QTest::newRow("below the window it would cover")
            << right << size << QList{analog} << wide << QRect(500, 300, 200, 150);
        QTest::newRow("right when below is off the screen")
            << right << size << QList{analog, QRect(500, 300, 300, 800)} << wide
            << QRect(800, 0, 200, 150);
        QTest::newRow("no free room: on the screen below the title bars")
            << QPoint(620, 0) << QSize(800, 560) << QList{main} << small
            << QRect(566, 32, 800, 560);
        QTest::newRow("larger than the screen: shrunk to it")
            << QPoint(620, 0) << QSize(2000, 900) << QList{main} << QRect(0, 24, 1366, 744)
            << QRect(0, 24, 1366, 744);
        QTest::newRow("screen full: cascaded over the nearest")
            << QPoint(0, 0) << QSize(400, 300) << QList{small} << small << QRect(32, 32, 400, 300);
    }
    void placementAvoidsTakenPlacesAndStaysOnTheScreen() {
        QFETCH(QPoint, preferred);
        QFETCH(QSize, size);
        QFETCH(QList<QRect>, taken);
        QFETCH(QRect, screen);
        QTEST(nd::panel::PlaceOnScreen(preferred, size, taken, screen), "placed");
    }

    // The Plot window: right of the main window, level with its top, moved onto the
    // 800 x 600 test screen only as far as needed.
    void plotOpensBesideTheMainWindowOnTheScreen() {
        MainWindow main;
        QWidget plot(nullptr, Qt::Window);
        plot.resize(200, 150);
        nd::panel::PlaceBeside(plot, &main.widget);
        QCOMPARE(plot.pos(), main.rightOfFrame());
        plot.resize(757, 597);
        nd::panel::PlaceBeside(plot, &main.widget);
        const QRect screen = main.widget.screen()->availableGeometry();
        QVERIFY(screen.contains(plot.frameGeometry()));
        QVERIFY(plot.frameGeometry().right() > screen.right() - 10); // room for a frame
    }

    void meterPaintsAtAnySizeAndDrawsTheNeedle() {
        NeedleMeter meter;
        meter.setValue(94.5);
        for (const QSize size : {QSize(0, 0), QSize(1, 1), QSize(40, 400)}) {
            meter.resize(size);
            QCOMPARE(meter.grab().toImage().size(), size);
        }
        meter.resize(200, 200);
        const QImage low = meter.grab().toImage();
        meter.setValue(139.0);
        QVERIFY(meter.grab().toImage() != low);
    }
};

QTEST_MAIN(TestDisplayWindows)
#include "test_display_windows.moc"
