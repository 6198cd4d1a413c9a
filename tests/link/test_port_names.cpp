#include "link/PortNames.h"
#include "link/SerialPort.h"

#include <QTemporaryDir>
#include <QTest>

using namespace nd::link;

class PortNamesTest : public QObject {
    Q_OBJECT

private slots:
    void comTexts_mapExactlyToFixedDevicesBothWays_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("device");
        QTest::newRow("Auto") << "Auto" << 1 << "/dev/ttyS0";
        QTest::newRow("first") << "COM  1" << 1 << "/dev/ttyS0";
        QTest::newRow("last ttyS") << "COM  4" << 4 << "/dev/ttyS3";
        QTest::newRow("first ttyUSB") << "COM  5" << 5 << "/dev/ttyUSB0";
        QTest::newRow("last ttyUSB") << "COM  12" << 12 << "/dev/ttyUSB7";
        QTest::newRow("first ttyACM") << "COM  13" << 13 << "/dev/ttyACM0";
        QTest::newRow("last") << "COM  16" << 16 << "/dev/ttyACM3";
        QTest::newRow("one space") << "COM 10" << 0 << "";
        QTest::newRow("design text") << "COM1" << 0 << "";
        QTest::newRow("beyond") << "COM  17" << 0 << "";
        QTest::newRow("trailing space") << "COM  3 " << 0 << "";
        QTest::newRow("empty") << "" << 0 << "";
    }
    void comTexts_mapExactlyToFixedDevicesBothWays() {
        QFETCH(QString, text);
        QFETCH(int, number);
        QFETCH(QString, device);
        QCOMPARE(comNumberFromText(text), number);
        QCOMPARE(deviceForComNumber(number), device);
        QCOMPARE(deviceForChoice(text), device);
        if (number > 0)
            QCOMPARE(comNumberForDevice(device), number);
    }

    void choices_acceptComTextsAndDevicePaths() {
        QCOMPARE(deviceForChoice("/tmp/meter"), QString("/tmp/meter"));
        QCOMPARE(linkCaptionForDevice("/dev/ttyS2"), QString("COM3"));
        QCOMPARE(linkCaptionForDevice("/dev/pts/4"), QString("pts/4"));
        QCOMPARE(linkCaptionForDevice("/tmp/sim/meter"), QString("meter"));
    }

    void openFailures_areExplainedWithAHint() {
        QTemporaryDir dir;
        const QString device = dir.filePath("ttyUSB9");
        QCOMPARE(precheckDevice(device), OpenError::NotFound);
        SerialPort port(device);
        const OpenResult result = port.open();
        QCOMPARE(result.error, OpenError::NotFound);
        QVERIFY(result.explanation().contains(device));
        QVERIFY(!port.isOpen() && !port.write("X"));
        // Every failure says what to do.
        const OpenResult permission{OpenError::PermissionDenied, "/dev/ttyUSB0", {}};
        QVERIFY(permission.explanation().contains("dialout"));
        QVERIFY(OpenResult{}.explanation().isEmpty());
    }
};

QTEST_APPLESS_MAIN(PortNamesTest)
#include "test_port_names.moc"
