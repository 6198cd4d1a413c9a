// The analog and digital display windows.
#include "panel/Analog.h"
#include "panel/Digital.h"
#include "panel/NeedleMeter.h"
#include "panel/WindowPlacement.h"

#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
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
        QVERIFY(!digital->frameGeometry().intersects(main.widget.frameGeometry()));

        QSignalSpy analogClosed(analog.data(), &Analog::closed);
        QSignalSpy digitalClosed(digital.data(), &Digital::closed);
        digital->move(400, 300);
        const QPoint closedAt = digital->pos();
        analog->close();
        digital->close();
        QCOMPARE(analogClosed.size(), 1);
        QCOMPARE(digitalClosed.size(), 1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(analog.isNull());
        QVERIFY(digital.isNull());
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
        const QRect analog(500, 0, 300, 300);
        const QRect wide(0, 0, 1920, 1080);
        const QRect small(0, 0, 1366, 768);
        const QRect main(0, 0, 620, 430);
        QTest::newRow("free") << QPoint(500, 0) << QSize(200, 150) << QList<QRect>{} << wide
                              << QRect(500, 0, 200, 150);
        QTest::newRow("below the window it would cover")
            << QPoint(500, 0) << QSize(200, 150) << QList<QRect>{analog} << wide
            << QRect(500, 300, 200, 150);
        QTest::newRow("right when below is off the screen")
            << QPoint(500, 0) << QSize(200, 150) << QList<QRect>{analog, QRect(500, 300, 300, 800)}
            << wide << QRect(800, 0, 200, 150);
        QTest::newRow("1366x768: no free room, on the screen below the title bars")
            << QPoint(620, 0) << QSize(800, 560) << QList<QRect>{main} << small
            << QRect(566, 32, 800, 560);
        QTest::newRow("1600x1000: a place remembered at the edge")
            << QPoint(1600, 0) << QSize(300, 200) << QList<QRect>{} << QRect(0, 0, 1600, 1000)
            << QRect(1300, 0, 300, 200);
        QTest::newRow("larger than the screen: shrunk to it")
            << QPoint(620, 0) << QSize(2000, 900) << QList<QRect>{main} << QRect(0, 24, 1366, 744)
            << QRect(0, 24, 1366, 744);
        QTest::newRow("screen full: cascaded over the nearest")
            << QPoint(0, 0) << QSize(400, 300) << QList<QRect>{small} << small
            << QRect(32, 32, 400, 300);
    }
    void placementAvoidsTakenPlacesAndStaysOnTheScreen() {
        QFETCH(QPoint, preferred);
        QFETCH(QSize, size);
        QFETCH(QList<QRect>, taken);
        QFETCH(QRect, screen);
        QFETCH(QRect, placed);
        QCOMPARE(nd::panel::PlaceOnScreen(preferred, size, taken, screen), placed);
    }

    // The Plot window: right of the main window, level with its top, moved onto the
    // 800 x 600 test screen only as far as needed, shrunk when larger than it.
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
        plot.resize(2000, 2000);
        nd::panel::PlaceBeside(plot, &main.widget);
        QVERIFY(screen.contains(plot.frameGeometry()));
    }

    void digitalFontFillsTheWindow() {
        Digital digital([] { return QString("140.0"); }, nullptr);
        auto* label = digital.findChild<QLabel*>("LblValue");
        digital.resize(240, 100);
        digital.show();
        QVERIFY(QTest::qWaitForWindowExposed(&digital));
        const int smallSize = label->font().pixelSize();
        digital.resize(720, 300);
        QTRY_VERIFY(label->font().pixelSize() > 2 * smallSize);
        QVERIFY(QFontMetrics(label->font()).horizontalAdvance("888.8") <= label->width());
    }

    void meterPaintsAtAnySizeAndDrawsTheNeedle() {
        NeedleMeter meter;
        meter.setValue(94.5);
        for (const QSize size : {QSize(0, 0), QSize(1, 1), QSize(40, 400), QSize(300, 300)}) {
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
