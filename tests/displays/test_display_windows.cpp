// The analog and digital display windows.
#include "link/Clock.h"
#include "link/MeterLink.h"
#include "panel/Analog.h"
#include "panel/Digital.h"
#include "panel/NeedleMeter.h"

#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

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
    MeterState state;
    state.Digit1 = digits.mid(0, 1);
    state.Digit2 = digits.mid(1, 1);
    state.Digit3 = digits.mid(2, 1);
    state.Digit4 = digits.mid(3, 1);
    state.DisplayText = digits;
    state.DisplayNumber = number;
    return state;
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

NeedleMeter* needleOf(Analog& analog) {
    return analog.findChild<NeedleMeter*>("TopMeter");
}

QString valueOf(Digital& digital) {
    return digital.findChild<QLabel*>("LblValue")->text();
}

} // namespace

class TestDisplayWindows : public QObject {
    Q_OBJECT

private slots:
    void analogHasItsControls();
    void analogNeedleFollowsTheLinkState();
    void analogTimerKeepsRefreshing();
    void digitalHasItsControls();
    void digitalCopiesTheTextUnchanged_data();
    void digitalCopiesTheTextUnchanged();
    void digitalTimerKeepsRefreshing();
    void displaysOpenRightOfTheMainWindow();
    void closingSaysSoAndDeletesTheWindow();
    void digitalFontFillsTheWindow();
    void fittingPixelSizeIsTheLargestThatFits();
    void meterKeepsTheValueItWasGiven();
    void meterPaintsAtAnySize();
};

void TestDisplayWindows::analogHasItsControls() {
    auto link = idleLink();
    MainWindow main;
    Analog analog(*link, &main.widget);
    QCOMPARE(analog.objectName(), QString("Analog"));
    QCOMPARE(analog.windowTitle(), QString("Analog"));
    QVERIFY(analog.isWindow());
    QVERIFY(analog.testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(needleOf(analog)->minimum(), 68.0);
    QCOMPARE(needleOf(analog)->maximum(), 140.0);
    auto* timer = analog.findChild<QTimer*>("Timer1");
    QCOMPARE(timer->interval(), 150);
    QVERIFY(timer->isActive());
}

void TestDisplayWindows::analogNeedleFollowsTheLinkState() {
    auto link = idleLink();
    MainWindow main;
    Analog analog(*link, &main.widget);

    emit link->stateChanged(reading(" OL ", 140.0));
    analog.refresh();
    QCOMPARE(needleOf(analog)->value(), 142.0);

    emit link->stateChanged(reading("----", 67.9));
    analog.refresh();
    QCOMPARE(needleOf(analog)->value(), 6.79);

    emit link->stateChanged(reading("0945", 945.0));
    analog.refresh();
    QCOMPARE(needleOf(analog)->value(), 94.5);
}

void TestDisplayWindows::analogTimerKeepsRefreshing() {
    auto link = idleLink();
    MainWindow main;
    Analog analog(*link, &main.widget);
    emit link->stateChanged(reading("1012", 1012.0));
    QTRY_COMPARE(needleOf(analog)->value(), 101.2);
}

void TestDisplayWindows::digitalHasItsControls() {
    MainWindow main;
    Digital digital([] { return QString("94.5"); }, &main.widget);
    QCOMPARE(digital.objectName(), QString("Digital"));
    QCOMPARE(digital.windowTitle(), QString("Digital"));
    QVERIFY(digital.testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(valueOf(digital), QString("140.0"));
    QCOMPARE(digital.findChild<QLabel*>("Label1")->text(), QString("dBA"));
    QCOMPARE(digital.findChild<QTimer*>("Timer1")->interval(), 150);
}

void TestDisplayWindows::digitalCopiesTheTextUnchanged_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("level") << "94.5";
    QTest::newRow("over range") << "OL";
    QTest::newRow("blank") << "----";
    QTest::newRow("dose") << "125.0";
    QTest::newRow("spaces kept") << " 70.1 ";
    QTest::newRow("empty") << "";
}

void TestDisplayWindows::digitalCopiesTheTextUnchanged() {
    QFETCH(QString, text);
    MainWindow main;
    Digital digital([&text] { return text; }, &main.widget);
    digital.refresh();
    QCOMPARE(valueOf(digital), text);
}

void TestDisplayWindows::digitalTimerKeepsRefreshing() {
    MainWindow main;
    QString mainValue = "88.8";
    Digital digital([&mainValue] { return mainValue; }, &main.widget);
    QTRY_COMPARE(valueOf(digital), QString("88.8"));
    mainValue = "OL";
    QTRY_COMPARE(valueOf(digital), QString("OL"));
}

void TestDisplayWindows::displaysOpenRightOfTheMainWindow() {
    auto link = idleLink();
    MainWindow main;
    Analog analog(*link, &main.widget);
    Digital digital([] { return QString(); }, &main.widget);
    QVERIFY(main.rightOfFrame().x() >= 500);
    QCOMPARE(analog.pos(), main.rightOfFrame());
    QCOMPARE(digital.pos(), main.rightOfFrame());
}

void TestDisplayWindows::closingSaysSoAndDeletesTheWindow() {
    auto link = idleLink();
    MainWindow main;
    QPointer<Analog> analog = new Analog(*link, &main.widget);
    QPointer<Digital> digital = new Digital([] { return QString(); }, &main.widget);
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

void TestDisplayWindows::digitalFontFillsTheWindow() {
    Digital digital([] { return QString("140.0"); }, nullptr);
    auto* label = digital.findChild<QLabel*>("LblValue");
    digital.resize(240, 100);
    digital.show();
    QVERIFY(QTest::qWaitForWindowExposed(&digital));
    const int smallSize = label->font().pixelSize();

    digital.resize(720, 300);
    QTRY_VERIFY(label->font().pixelSize() > 2 * smallSize);
    QVERIFY(label->font().bold());
    QVERIFY(QFontMetrics(label->font()).horizontalAdvance("888.8") <= label->width());
}

void TestDisplayWindows::fittingPixelSizeIsTheLargestThatFits() {
    QFont font;
    font.setBold(true);
    auto width = [&font](int pixelSize) {
        font.setPixelSize(pixelSize);
        return QFontMetrics(font).horizontalAdvance("888.8");
    };
    // Narrow box: the width decides.
    const int size = Digital::fittingPixelSize(font, "888.8", QSize(200, 1000));
    QVERIFY(width(size) <= 200);
    QVERIFY(width(size + 1) > 200);
    // Wide box: the height decides.
    const int tall = Digital::fittingPixelSize(font, "888.8", QSize(5000, 60));
    font.setPixelSize(tall);
    QVERIFY(QFontMetrics(font).height() <= 60);
    // No room at all still gives a usable font.
    QCOMPARE(Digital::fittingPixelSize(font, "888.8", QSize(0, 0)), 8);
}

void TestDisplayWindows::meterKeepsTheValueItWasGiven() {
    NeedleMeter meter;
    meter.setValue(142.0);
    QCOMPARE(meter.value(), 142.0);
    meter.setValue(6.79);
    QCOMPARE(meter.value(), 6.79);
}

void TestDisplayWindows::meterPaintsAtAnySize() {
    NeedleMeter meter;
    meter.setValue(94.5);
    for (const QSize size : {QSize(0, 0), QSize(1, 1), QSize(40, 400), QSize(300, 300)}) {
        meter.resize(size);
        const QImage image = meter.grab().toImage();
        QCOMPARE(image.size(), size.expandedTo(QSize(0, 0)));
    }
    // The needle is drawn: a reading at the other end paints a different dial.
    meter.resize(200, 200);
    const QImage low = meter.grab().toImage();
    meter.setValue(139.0);
    QVERIFY(meter.grab().toImage() != low);
}

QTEST_MAIN(TestDisplayWindows)
#include "test_display_windows.moc"
