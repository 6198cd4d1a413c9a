#include "link/PortNames.h"
#include "link/SerialPort.h"

#include <QTemporaryDir>
#include <QTest>

using namespace nd::link;

class PortNamesTest : public QObject {
    Q_OBJECT

private slots:
    void okMapping_isExact_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("number");
        QTest::newRow("Auto") << "Auto" << 1;
        QTest::newRow("first") << "COM  1" << 1;
        QTest::newRow("ten") << "COM  10" << 10;
        QTest::newRow("last") << "COM  16" << 16;
        QTest::newRow("one space") << "COM 10" << 0;
        QTest::newRow("design text") << "COM1" << 0;
        QTest::newRow("beyond") << "COM  17" << 0;
        QTest::newRow("trailing space") << "COM  3 " << 0;
        QTest::newRow("empty") << "" << 0;
    }
    void okMapping_isExact() {
        QFETCH(QString, text);
        QFETCH(int, number);
        QCOMPARE(comNumberFromText(text), number);
    }

    void comNumbers_mapToFixedDevicesBothWays() {
        QCOMPARE(deviceForComNumber(1), QString("/dev/ttyS0"));
        QCOMPARE(deviceForComNumber(4), QString("/dev/ttyS3"));
        QCOMPARE(deviceForComNumber(5), QString("/dev/ttyUSB0"));
        QCOMPARE(deviceForComNumber(12), QString("/dev/ttyUSB7"));
        QCOMPARE(deviceForComNumber(13), QString("/dev/ttyACM0"));
        QCOMPARE(deviceForComNumber(16), QString("/dev/ttyACM3"));
        QVERIFY(deviceForComNumber(0).isEmpty());
        QVERIFY(deviceForComNumber(17).isEmpty());
        for (int n = 1; n <= 16; ++n)
            QCOMPARE(comNumberForDevice(deviceForComNumber(n)), n);
        QCOMPARE(comListTexts().size(), 16);
        QCOMPARE(comListTexts().front(), QString("COM  1"));
    }

    void choices_acceptComTextsAndDevicePaths() {
        QCOMPARE(deviceForChoice("COM  6"), QString("/dev/ttyUSB1"));
        QCOMPARE(deviceForChoice("/tmp/meter"), QString("/tmp/meter"));
        QVERIFY(deviceForChoice("COM1").isEmpty());
        QCOMPARE(linkCaptionForDevice("/dev/ttyS2"), QString("COM3"));
        QCOMPARE(linkCaptionForDevice("/dev/pts/4"), QString("pts/4"));
        QCOMPARE(linkCaptionForDevice("/tmp/sim/meter"), QString("meter"));
    }

    void missingDevice_isReportedWithAHint() {
        QTemporaryDir dir;
        const QString device = dir.filePath("ttyUSB9");
        QCOMPARE(precheckDevice(device), OpenError::NotFound);
        SerialPort port(device);
        const OpenResult result = port.open();
        QCOMPARE(result.error, OpenError::NotFound);
        QVERIFY(result.explanation().contains(device));
        QVERIFY(!port.isOpen());
        QVERIFY(port.readAll().isEmpty());
        QVERIFY(!port.write("X"));
    }

    void explanations_tellWhatToDo() {
        const OpenResult permission{OpenError::PermissionDenied, "/dev/ttyUSB0", {}};
        QVERIFY(permission.explanation().contains("dialout"));
        const OpenResult busy{OpenError::Busy, "/dev/ttyUSB0", {}};
        QVERIFY(busy.explanation().contains("in use"));
        QVERIFY(OpenResult{}.explanation().isEmpty());
    }
};

QTEST_APPLESS_MAIN(PortNamesTest)
#include "test_port_names.moc"
