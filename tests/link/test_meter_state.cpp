#include "link/MeterState.h"

#include <QTest>

using namespace nd::link;

namespace {
/// The display bytes of one poll reply.
struct Shown {
    int mode, flags, high, low;
};
/// A status byte and what it means.
struct Status {
    int byte, criterion, exchange;
    bool fast, flags;
};
} // namespace

Q_DECLARE_METATYPE(Shown)
Q_DECLARE_METATYPE(Status)

class MeterStateTest : public QObject {
    Q_OBJECT

private slots:
    void statusByte_decodesCriterionExchangeAndResponse_data() {
        QTest::addColumn<Status>("expected");
        QTest::newRow("0x00") << Status{0x00, 80, 3, false, false};
        QTest::newRow("0x1F") << Status{0x1F, 90, 6, true, false};
        QTest::newRow("0xE5") << Status{0xE5, 84, 4, false, true};
        QTest::newRow("0x0A") << Status{0x0A, 85, 5, false, false};
    }
    void statusByte_decodesCriterionExchangeAndResponse() {
        QFETCH(Status, expected);
        MeterState s;
        DecodeStatusByte(s, expected.byte);
        QCOMPARE(s.CriterionLevel, expected.criterion);
        QCOMPARE(s.ExchangeRate, expected.exchange);
        QCOMPARE(s.TimeWeightingText, QString(expected.fast ? "Fast" : "Slow"));
        QCOMPARE(s.StatusFlag5 && s.StatusFlag6 && s.StatusFlag7, expected.flags);
        QCOMPARE(s.StatusFlag5 || s.StatusFlag6 || s.StatusFlag7, expected.flags);
    }

    void modeFlagAndExtraBytes_setOneFieldPerBit() {
        MeterState s;
        DecodeModeByte(s, 0x40 | 0x08 | 0x01);
        QVERIFY(s.DbaMode && s.Running && s.ShowsTime);
        QVERIFY(!s.DoseMode && !s.Paused && !s.ShowsDate && !s.GroupedDigits);
        DecodeModeByte(s, 0xA6);
        QVERIFY(s.GroupedDigits && s.DoseMode && s.Paused && s.ShowsDate);
        QVERIFY(!s.DbaMode && !s.Running && !s.ShowsTime);

        DecodeFlagByte(s, 0x80 | 0x10);
        QVERIFY(s.KeyLocked && s.DecimalAfter3 && !s.OverRange);
        QVERIFY(!s.DecimalAfter2 && !s.PeakIndicator && !s.MemoryIndicator && !s.FlagBit0);
        DecodeFlagByte(s, 0x6F);
        QVERIFY(s.DecimalAfter2 && s.PeakIndicator && s.LoudIndicator && s.MemoryIndicator);
        QVERIFY(s.FlagBit0 && s.OverRange && !s.KeyLocked);

        DecodeExtraByte(s, 0xEB);
        QVERIFY(s.BankNumber == 3 && s.BankIndicator && s.BatteryLevel == 7);
        DecodeExtraByte(s, 0x15);
        QVERIFY(s.BankNumber == 5 && !s.BankIndicator && s.BatteryLevel == 0);
    }

    void displayDigits_readPackedBcdWithBlankAndOverRangeMarkers_data() {
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("low");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("number");
        QTest::newRow("level") << 0x09 << 0x45 << "0945" << 945.0;
        QTest::newRow("blank") << 0xBB << 0xBB << "----" << 67.9;
        QTest::newRow("over range") << 0x0A << 0x00 << " OL " << 140.0;
        QTest::newRow("blank wins over A") << 0xAB << 0x00 << "----" << 67.9;
        QTest::newRow("B in low byte") << 0x00 << 0x0B << "----" << 67.9;
        QTest::newRow("hex letters") << 0x0C << 0x12 << "0C12" << 0.0;
    }
    void displayDigits_readPackedBcdWithBlankAndOverRangeMarkers() {
        QFETCH(int, high);
        QFETCH(int, low);
        MeterState s;
        DecodeDisplayDigits(s, high, low);
        QTEST(s.DisplayText, "text");
        QTEST(s.DisplayNumber, "number");
    }

    void twa_fromDoseCriterionAndExchange_data() {
        QTest::addColumn<double>("dose");
        QTest::addColumn<int>("criterion");
        QTest::addColumn<int>("exchange");
        QTest::addColumn<int>("tenths");
        QTest::newRow("100% at 90/5") << 100.0 << 90 << 5 << 900;
        QTest::newRow("200% at 90/3") << 200.0 << 90 << 3 << 930;
        QTest::newRow("no dose") << 0.0 << 85 << 3 << 850;
        QTest::newRow("50% at 90/5 rounds down") << 50.0 << 90 << 5 << 849;
        QTest::newRow("12.5% at 85/3 is below criterion") << 12.5 << 85 << 3 << 759;
        QTest::newRow("unknown exchange rate") << 400.0 << 80 << 7 << 800;
    }
    void twa_fromDoseCriterionAndExchange() {
        QFETCH(double, dose);
        QFETCH(int, criterion);
        QFETCH(int, exchange);
        QTEST(ComputeTwa(dose, criterion, exchange).TwaTenths, "tenths");
    }

    void displayRules_showTheMetersReadingAsText_data() {
        QTest::addColumn<Shown>("shown");
        QTest::addColumn<QString>("text");
        QTest::newRow("dBA level") << Shown{0x40, 0x10, 0x09, 0x45} << "94.5";
        QTest::newRow("dBA zero means top of range") << Shown{0x40, 0x10, 0x00, 0x00} << "142.0";
        QTest::newRow("dBA over range") << Shown{0x40, 0x50, 0x0A, 0x00} << "OL";
        QTest::newRow("over-range flag on other digits") << Shown{0x40, 0x40, 0x12, 0x34} << "OL";
        QTest::newRow("blank wins over the over-range flag")
            << Shown{0x40, 0x40, 0xBB, 0xBB} << "----";
        // Over-range digits without the flag read as the number 0: "0.0" becomes "142.0".
        QTest::newRow("dBA OL digits, flag clear") << Shown{0x40, 0x10, 0x0A, 0x00} << "142.0";
        QTest::newRow("dose hex letters read up to the letter")
            << Shown{0x20, 0x20, 0x0C, 0x12} << "0.12";
        QTest::newRow("dBA above 100") << Shown{0x40, 0x10, 0x11, 0x23} << "112.3";
        QTest::newRow("grouped time") << Shown{0x81, 0x00, 0x08, 0x35} << "8:35";
        QTest::newRow("grouped date") << Shown{0x82, 0x00, 0x12, 0x06} << "12-06";
        QTest::newRow("grouped other") << Shown{0x80, 0x00, 0x01, 0x02} << "1 02";
        QTest::newRow("time ungrouped") << Shown{0x01, 0x00, 0x10, 0x05} << "10:05";
        QTest::newRow("date ungrouped") << Shown{0x02, 0x00, 0x03, 0x01} << "3-01";
        QTest::newRow("dose ddd.d") << Shown{0x20, 0x10, 0x01, 0x25} << "12.5";
        QTest::newRow("dose dd.dd") << Shown{0x20, 0x20, 0x01, 0x25} << "1.25";
        QTest::newRow("dose whole") << Shown{0x20, 0x00, 0x01, 0x20} << "120";
    }
    void displayRules_showTheMetersReadingAsText() {
        QFETCH(Shown, shown);
        MeterState s;
        DecodeModeByte(s, shown.mode);
        DecodeFlagByte(s, shown.flags);
        DecodeDisplayDigits(s, shown.high, shown.low);
        QTEST(DisplayValueText(s), "text");
    }
};

QTEST_APPLESS_MAIN(MeterStateTest)
#include "test_meter_state.moc"
