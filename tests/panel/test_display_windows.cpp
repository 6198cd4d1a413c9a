// The analog and digital display windows.
#include "ReadingState.h"
#include "link/Clock.h"
#include "link/MeterLink.h"
#include "panel/Analog.h"
#include "panel/Digital.h"
#include "panel/NeedleMeter.h"

#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

using nd::link::MeterLink;
using nd::link::MeterState;
using nd::panel::Analog;
using nd::panel::Digital;
using nd::panel::NeedleMeter;

namespace {

/// A link that is never started: the tests publish its state themselves.
std::unique_ptr<MeterLink> idleLink() {
    return std::make_unique<MeterLink>([] { return std::unique_ptr<nd::link::Port>(); },
                                       std::make_shared<nd::link::VirtualClock>(),
                                       QStringLiteral("COM1"));
}

MeterState reading(const QString& digits, double number) {
    return nd::test::readingState(digits, number);
}

/// A main window somewhere on the screen, shown so it has a frame.
struct MainWindow {
    QWidget widget;
    MainWindow() {
        widget.setGeometry(100, 50, 400, 300);
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
    void displaysFollowTheirSourcesOnTheirTimers() {
        auto link = idleLink();
        MainWindow main;
        Analog analog(*link, &main.widget);
        QString mainValue = " 70.1 ";
        Digital digital([&mainValue] { return mainValue; }, &main.widget);
        auto* needle = analog.findChild<NeedleMeter*>("TopMeter");
        QTRY_COMPARE(valueOf(digital), QString(" 70.1 ")); // copied as it stands
        emit link->stateChanged(reading(" OL ", 140.0));
        QTRY_COMPARE(needle->value(), 142.0);
        mainValue = "OL";
        emit link->stateChanged(reading("0945", 945.0));
        QTRY_COMPARE(needle->value(), 94.5);
        QTRY_COMPARE(valueOf(digital), QString("OL"));
    }

    void displaysOpenRightOfTheMainWindowAndGoWhenClosed() {
        auto link = idleLink();
        MainWindow main;
        QPointer<Analog> analog = new Analog(*link, &main.widget);
        QPointer<Digital> digital = new Digital([] { return QString(); }, &main.widget);
        QVERIFY(main.rightOfFrame().x() >= 500);
        QCOMPARE(analog->pos(), main.rightOfFrame());
        QCOMPARE(digital->pos(), main.rightOfFrame());

        analog->show();
        digital->show();
        QSignalSpy analogClosed(analog.data(), &Analog::closed);
        QSignalSpy digitalClosed(digital.data(), &Digital::closed);
        analog->close();
        digital->close();
        QCOMPARE(analogClosed.size(), 1);
        QCOMPARE(digitalClosed.size(), 1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(analog.isNull());
        QVERIFY(digital.isNull());
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
