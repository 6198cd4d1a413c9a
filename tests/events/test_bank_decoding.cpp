// A bank's 20 bytes into the texts of its column.
#include "events/BankDecoding.h"

#include <QTest>

using namespace nd::events;
using Rows = QMap<int, QString>;

namespace {

/// A used bank: 90 dB, 5 dB, Slow, no flags, 03-15 08:00 to 16:30, 08:05 exposed,
/// 123.4 % (count 1234 in tenths), threshold 80 dB.
QByteArray bank(std::initializer_list<std::pair<int, int>> changes = {}) {
    QByteArray r = QByteArray::fromHex("8b031508001630080504d20a000000ffff000050");
    for (auto [byte, value] : changes)
        r[byte - 1] = static_cast<char>(value);
    return r;
}
/// A dose count and scale on a bank with the given status byte.
QByteArray dose(int count, int scale, int status = 0x8B) {
    return bank({{1, status}, {10, count / 256}, {11, count % 256}, {12, scale}});
}

} // namespace

class BankDecodingTest : public QObject {
    Q_OBJECT

private slots:
    void rowsFromTheBytes_data() {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<Rows>("expected");
        using namespace row;

        QTest::newRow("80 dB, 3 dB, Slow") << bank({{1, 0x80}})
                                           << Rows{{kUsed, " Used"},
                                                   {kCriterion, " 80dB"},
                                                   {kExchangeRate, " 3dB"},
                                                   {kTimeWeighting, " Slow"},
                                                   {kThreshold, " 80dB"}};
        QTest::newRow("84 dB, 4 dB")
            << bank({{1, 0x85}}) << Rows{{kCriterion, " 84dB"}, {kExchangeRate, " 4dB"}};
        QTest::newRow("85 dB, 5 dB, Fast") << bank({{1, 0x9A}, {20, 123}})
                                           << Rows{{kCriterion, " 85dB"},
                                                   {kExchangeRate, " 5dB"},
                                                   {kTimeWeighting, " Fast"},
                                                   {kThreshold, " 123dB"}};
        QTest::newRow("90 dB, 6 dB")
            << bank({{1, 0x8F}}) << Rows{{kCriterion, " 90dB"}, {kExchangeRate, " 6dB"}};
        QTest::newRow("dBRMS 115 alone")
            << bank({{1, 0xA0}})
            << Rows{{kRms115, " Yes"}, {kExceed140, " No"}, {kPeakTime, ""}, {kPeakDuration, ""}};
        QTest::newRow("times are BCD")
            << bank({{2, 0x12}, {3, 0x31}, {4, 0x23}, {5, 0x59}})
            << Rows{{kStartDate, " 12-31"}, {kStartTime, " 23:59"}, {kStopTime, " 16:30"}};
        QTest::newRow("exposure is decimal")
            << bank() << Rows{{kStartDate, " 03-15"}, {kExposure, " 08:05"}};
        QTest::newRow("exposure keeps two digits")
            << bank({{8, 123}, {9, 45}}) << Rows{{kExposure, " 23:45"}};

        QTest::newRow("234 hundredths read one lower") << dose(234, 0x64) << Rows{{kDose, " 2.33"}};
        QTest::newRow("237 hundredths read one lower") << dose(237, 0x64) << Rows{{kDose, " 2.36"}};
        QTest::newRow("238 hundredths as they are") << dose(238, 0x64) << Rows{{kDose, " 2.38"}};
        QTest::newRow("hundredths below one") << dose(5, 0x64) << Rows{{kDose, " 0.05"}};
        QTest::newRow("2340 tenths, not lowered") << dose(2340, 0x0A) << Rows{{kDose, "  234"}};
        QTest::newRow("tenths in shortest form")
            << dose(1234, 0x0A) << Rows{{kDose, "  123.4"}, {kTwa, " 91.5"}};
        QTest::newRow("whole percent") << dose(456, 0x01) << Rows{{kDose, " 456"}};
        QTest::newRow("unknown scale empties dose and TWA")
            << dose(456, 0x05) << Rows{{kDose, ""}, {kTwa, ""}, {kExposure, " 08:05"}};

        QTest::newRow("100 % at 90 dB") << dose(100, 0x01, 0x83) << Rows{{kTwa, " 90.0"}};
        QTest::newRow("200 % at 90 dB, 3 dB") << dose(200, 0x01, 0x83) << Rows{{kTwa, " 93.0"}};
        QTest::newRow("dose 0 leaves TWA empty")
            << dose(0, 0x64) << Rows{{kDose, " 0.00"}, {kTwa, ""}};
        // 80 dB, 6 dB: 80 + 20 log10(0.0001) = 0.0, nothing before the point.
        QTest::newRow("TWA below one dB") << dose(1, 0x64, 0x8C) << Rows{{kTwa, " .0"}};

        QTest::newRow("peak rows with bit 6")
            << bank({{1, 0xCB}, {16, 0x11}, {17, 0x02}, {18, 3}, {19, 7}})
            << Rows{{kExceed140, " Yes"}, {kPeakTime, " 11:02"}, {kPeakDuration, " 03:07"}};
        QTest::newRow("peak time 0xFF is empty")
            << bank({{1, 0xCB}, {16, 0xFF}, {18, 0}, {19, 59}})
            << Rows{{kPeakTime, ""}, {kPeakDuration, " 00:59"}};
        QTest::newRow("no peak rows without bit 6")
            << bank({{16, 0x11}, {17, 0x02}, {18, 3}})
            << Rows{{kExceed140, " No"}, {kPeakTime, ""}, {kPeakDuration, ""}};
    }
    void rowsFromTheBytes() {
        QFETCH(QByteArray, record);
        QFETCH(Rows, expected);
        const BankColumn column = DecodeBank(record);
        for (auto [rowNumber, text] : expected.asKeyValueRange())
            QCOMPARE(column.at(static_cast<std::size_t>(rowNumber - 1)), text);
    }

    void anUnusedBankShowsOnlyThat() {
        BankColumn expected;
        expected[0] = " Unused";
        QCOMPARE(DecodeBank(bank({{1, 0x4B}})), expected);
    }
};

QTEST_GUILESS_MAIN(BankDecodingTest)
#include "test_bank_decoding.moc"
