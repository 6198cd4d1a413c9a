// Exposure figures under the presets, against cases worked by hand; histogram counting
// and the bin range rules.

#include "stored/Exposure.h"
#include "stored/HistogramCounts.h"

#include <QTest>

using namespace nd::stored;

namespace {

template <typename T> T fetch(const char* name) {
    return *static_cast<T*>(QTest::qData(name, qMetaTypeId<T>()));
}

/// Rows "level*count" after each other, `spacing` tenths apart (or "level*count@S", S
/// seconds apart), from 2009/03/16 08:00; "gap:S" moves the clock on by S seconds without
/// a row.
LevelList timedList(const QStringList& segments, int spacingTenths = 10) {
    LevelList list;
    StampTenths t = makeStamp(QDate(2009, 3, 16), 8 * 36000);
    int n = 0;
    for (const QString& segment : segments) {
        if (segment.startsWith(QLatin1String("gap:"))) {
            t += segment.mid(4).toLongLong() * 10;
            continue;
        }
        const QStringList parts = segment.split(u'*');
        const QStringList countAt = parts.value(1, QStringLiteral("1")).split(u'@');
        const int count = countAt[0].toInt();
        const StampTenths step = countAt.size() > 1 ? countAt[1].toInt() * 10 : spacingTenths;
        for (int i = 0; i < count; ++i, t += step)
            list.rows.push_back(
                makeRow(QString::number(++n), stampDateText(t), stampTimeText(t), parts[0]));
    }
    return list;
}

} // namespace

class ExposureTest : public QObject {
    Q_OBJECT

private slots:
    void handWorked_data() {
        QTest::addColumn<QStringList>("segments");
        QTest::addColumn<QString>("standard");
        QTest::addColumn<double>("laeq");
        QTest::addColumn<double>("duration");
        QTest::addColumn<double>("dose");
        QTest::addColumn<double>("twa"); // -1: none
        QTest::addColumn<double>("lex");
        // 10 s spacing: 360 rows an hour.
        QTest::newRow("OSHA 90 dB for 8 h")
            << QStringList{"90.0*2880"} << "osha-pel" << 90.0 << 28800.0 << 100.0 << 90.0 << 90.0;
        QTest::newRow("OSHA 95 dB for 4 h")
            << QStringList{"95.0*1440"} << "osha-pel" << 95.0 << 14400.0 << 100.0 << 90.0 << 91.99;
        QTest::newRow("NIOSH 88 dB for 4 h")
            << QStringList{"88.0*1440"} << "niosh" << 88.0 << 14400.0 << 100.0 << 85.0 << 84.99;
        QTest::newRow("80 and 100 dB for equal times")
            << QStringList{"80.0*360", "100.0*360"} << "iso" << 97.03 << 7200.0 << 403.94 << 91.04
            << 91.01;
        QTest::newRow("below the OSHA PEL threshold")
            << QStringList{"85.0*2880"} << "osha-pel" << 85.0 << 28800.0 << 0.0 << -1.0 << 85.0;
        QTest::newRow("same level, hearing conservation")
            << QStringList{"85.0*2880"} << "osha-hc" << 85.0 << 28800.0 << 50.0 << 85.0 << 85.0;
        QTest::newRow("ISO has no threshold")
            << QStringList{"75.0*2880"} << "iso" << 75.0 << 28800.0 << 9.92 << 75.0 << 75.0;
        QTest::newRow("a gap is not exposure")
            << QStringList{"90.0*1440", "gap:3600", "90.0*1440"} << "osha-pel" << 90.0 << 28800.0
            << 100.0 << 90.0 << 90.0;
        QTest::newRow("1 h at 1 s, then 7 h at 10 s: a new pace, no gap")
            << QStringList{"92.0*3600@1", "92.0*2520"} << "osha-pel" << 92.0 << 28800.0 << 131.95
            << 92.0 << 92.0;
        QTest::newRow("8 h at 10 s, then 1 h at 1 s")
            << QStringList{"92.0*2880", "92.0*3600@1"} << "osha-pel" << 92.0 << 32400.0 << 148.44
            << 92.85 << 92.51;
        QTest::newRow("only two spacings, 10 s and 100 s, count in full")
            << QStringList{"90.0*1", "90.0*1@100", "90.0*1"} << "iso" << 90.0 << 165.0 << 1.82
            << 67.66 << 67.58;
    }
    void handWorked() {
        const auto standard = presetByKey(fetch<QString>("standard"));
        QVERIFY(standard);
        const Exposure e =
            computeExposure(timedList(fetch<QStringList>("segments"), 100), *standard);
        QVERIFY(e.timed);
        QCOMPARE(qRound(e.laeq * 100), qRound(fetch<double>("laeq") * 100));
        QCOMPARE(e.durationSeconds, fetch<double>("duration"));
        QCOMPARE(qRound(e.dosePercent * 100), qRound(fetch<double>("dose") * 100));
        const double twa = fetch<double>("twa");
        QCOMPARE(e.twa.has_value(), twa >= 0);
        if (e.twa)
            QCOMPARE(qRound(*e.twa * 100), qRound(twa * 100));
        QCOMPARE(qRound(*e.lex8h * 100), qRound(fetch<double>("lex") * 100));
        QCOMPARE(*e.projectedDosePercent, e.dosePercent * kEightHours / e.durationSeconds);
    }

    void gap_isReportedWithItsLength() {
        const Exposure e = computeExposure(timedList({"90.0*1440", "gap:3600", "90.0*1440"}, 100),
                                           *presetByKey("osha-pel"));
        QCOMPARE(e.gaps, 1);
        QCOMPARE(e.gapSeconds, 3600.0);
        QVERIFY(exposureRemarks(e).join(' ').contains(
            QLatin1String("1 gap in the measurement (1 h 00 min 00 s in all)")));
    }

    void twaSlope_isExchangeOverLog2() {
        // Doubling the dose adds one exchange rate: the slope is 16.61 for 5 dB, 9.97 for 3.
        QCOMPARE(qRound(*twaFromDose(1000, 90, 5) * 100), qRound((90 + 16.61) * 100));
        QCOMPARE(qRound(*twaFromDose(1000, 85, 3) * 100), qRound((85 + 9.97) * 100));
        QVERIFY(!twaFromDose(0, 90, 5));
    }

    void percentiles_areLevelsExceededThatFractionOfTime() {
        QStringList values;
        for (int dB = 81; dB <= 100; ++dB)
            values << QStringLiteral("%1.0").arg(dB);
        const Exposure e = computeExposure(timedList(values), *presetByKey("iso"));
        QCOMPARE(e.l10, 99.0);
        QCOMPARE(e.l50, 91.0);
        QCOMPARE(e.l90, 83.0);
        QCOMPARE(e.lmax, 100.0);
        QCOMPARE(e.lmin, 81.0);
    }

    void clampedAndIgnoredRows_areCountedAndSaid() {
        const Exposure e =
            computeExposure(timedList({"OL", "----", "85.0", "12:34", ""}), *presetByKey("iso"));
        QCOMPARE(e.samples, 3);
        QCOMPARE(e.clampedOver, 1);
        QCOMPARE(e.clampedUnder, 1);
        QCOMPARE(e.ignored, 2);
        QCOMPARE(e.lmax, 140.0);
        QCOMPARE(e.lmin, 70.0);
        const QString said = exposureRemarks(e).join('\n');
        QVERIFY(said.contains(QLatin1String("lower bounds")));
        QVERIFY(said.contains(QLatin1String("upper bounds")));
    }

    void stampsWithoutSpacing_giveLevelsButNoDose() {
        LevelList list = timedList({"80.0", "100.0"});
        list.rows[1].stamp = list.rows[0].stamp;
        const Exposure e = computeExposure(list, *presetByKey("iso"));
        QVERIFY(!e.timed);
        QCOMPARE(qRound(e.laeq * 100), 9703);
        QVERIFY(!e.lex8h && exposureJson(e).contains("\"duration_s\":null"));
        QVERIFY(computeExposure({}, *presetByKey("iso")).samples == 0);
    }

    void json_hasTheDocumentedKeys() {
        const QByteArray json = exposureJson(
            computeExposure(timedList({"90.0", "90.0"}), meterStandard(90, 5, std::nullopt)));
        for (const char* key :
             {"laeq", "lmax", "lmin", "l10", "l50", "l90", "duration_s", "dose_percent", "twa",
              "projected_dose_percent", "lex8h", "samples", "clamped_over", "clamped_under", "gaps",
              "gap_s", "criterion", "exchange", "threshold\":null"})
            QVERIFY2(json.contains(QByteArray("\"") + key), key);
    }

    // ---------------------------------------------------------------- histogram

    void counting_data() {
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("bins"); // "bin:count ..."
        QTest::addColumn<int>("resolution");
        QTest::addColumn<QString>("view"); // "from-to"
        const int one = int(Resolution::OneDb);
        const int tenth = int(Resolution::TenthDb);
        const QStringList near{"85.7", "85.74", "85.76"};
        QTest::newRow("rounding, 0.1 dB") << near << "857:2 858:1" << tenth << "852-863";
        QTest::newRow("truncating, 1 dB") << near << "85:3" << one << "85-86";
        const QStringList top{"OL", "141.2", "140.0"};
        QTest::newRow("top bin, 1 dB") << top << "140:3" << one << "68-140";
        QTest::newRow("top bin, 0.1 dB") << top << "1400:3" << tenth << "680-1400";
        const QStringList under{"----", "80.0"};
        QTest::newRow("under range") << under << "70:1 80:1" << one << "70-81";
        QTest::newRow("under range, 0.1 dB") << under << "700:1 800:1" << tenth << "695-805";
        QTest::newRow("other texts with \"-\" are under range")
            << QStringList{"--", "- -", "80.0"} << "700:2 800:1" << tenth << "695-805";
        QTest::newRow("no levels") << QStringList{"12:34", ""} << "" << one << "68-140";
    }
    void counting() {
        const auto resolution = Resolution(fetch<int>("resolution"));
        const HistogramCounts h = countLevels(timedList(fetch<QStringList>("values")), resolution);
        QStringList bins;
        for (int k = 0; k <= h.top(); ++k) {
            if (h.bins[std::size_t(k)])
                bins << QStringLiteral("%1:%2").arg(k).arg(h.bins[std::size_t(k)]);
        }
        QCOMPARE(bins.join(' '), fetch<QString>("bins"));
        const BinRange view = h.firstView();
        QCOMPARE(QStringLiteral("%1-%2").arg(view.from).arg(view.to), fetch<QString>("view"));
    }

    void oneBin_holdsMoreThan16BitCounts() {
        const HistogramCounts h = countLevels(timedList({"90.0*40000"}, 2), Resolution::TenthDb);
        QCOMPARE(h.bins[900], std::int64_t(40000));
        QCOMPARE(h.maxCount(), std::int64_t(40000));
        QCOMPARE(histogramText(h, false), QByteArray("90.0\t40000\n"));
    }
};

QTEST_GUILESS_MAIN(ExposureTest)
#include "test_exposure.moc"
