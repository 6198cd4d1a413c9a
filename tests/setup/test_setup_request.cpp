// The checks of a setup form before anything is sent to the meter.

#include "setup/SetupRequest.h"

#include <QTest>

using nd::setup::SetupFields;
using nd::setup::ValidateSetup;

namespace {
SetupFields form(const QString& threshold, const QString& year, const QString& month,
                 const QString& day, const QString& hour, const QString& minute) {
    return {90, 5, true, threshold, year, month, day, hour, minute, {}};
}
} // namespace

Q_DECLARE_METATYPE(SetupFields)

class SetupRequestTest : public QObject {
    Q_OBJECT

private slots:
    void refusedFields_data() {
        QTest::addColumn<SetupFields>("fields");
        QTest::addColumn<QString>("error");
        QTest::newRow("empty threshold") << form("", "2024", "3", "15", "9", "41") << "threshold";
        QTest::newRow("threshold not a number")
            << form("8o", "2024", "3", "15", "9", "41") << "threshold";
        QTest::newRow("threshold 69") << form("69", "2024", "3", "15", "9", "41") << "threshold";
        QTest::newRow("year 2101") << form("80", "2101", "3", "15", "9", "41") << "year";
        QTest::newRow("month 13") << form("80", "2024", "13", "15", "9", "41") << "month";
        QTest::newRow("30 February") << form("80", "2024", "2", "30", "9", "41") << "1 to 29";
        QTest::newRow("29 February 2100 (no leap year)")
            << form("80", "2100", "2", "29", "9", "41") << "1 to 28";
        QTest::newRow("31 April") << form("80", "2024", "4", "31", "9", "41") << "1 to 30";
        QTest::newRow("hour 24") << form("80", "2024", "3", "15", "24", "41") << "hour";
        QTest::newRow("minute 60") << form("80", "2024", "3", "15", "9", "60") << "minutes";
    }
    void refusedFields() {
        QFETCH(SetupFields, fields);
        QFETCH(QString, error);
        const auto v = ValidateSetup(fields, 90);
        QVERIFY(!v.request);
        QVERIFY2(v.error.contains(error), qPrintable(v.error));
    }

    void thresholdIsCappedAtTheCriterionLevel_data() {
        QTest::addColumn<std::optional<int>>("criterion");
        QTest::addColumn<int>("meterCriterion");
        QTest::addColumn<QString>("threshold");
        QTest::addColumn<int>("sent");
        QTest::addColumn<bool>("capped");
        QTest::newRow("above the chosen level")
            << std::optional<int>(85) << 90 << "88" << 85 << true;
        QTest::newRow("equal is accepted") << std::optional<int>(85) << 90 << "85" << 85 << false;
        QTest::newRow("none chosen: the meter's level")
            << std::optional<int>() << 80 << "90" << 80 << true;
        QTest::newRow("above 90 is replaced, not refused")
            << std::optional<int>(90) << 90 << "95" << 90 << true;
        QTest::newRow("none known: left to the transfer")
            << std::optional<int>() << 0 << "90" << 90 << false;
    }
    void thresholdIsCappedAtTheCriterionLevel() {
        QFETCH(std::optional<int>, criterion);
        QFETCH(int, meterCriterion);
        QFETCH(QString, threshold);
        SetupFields f = form(threshold, " 2100 ", "2", "28", "0", "0");
        f.CriterionLevel = criterion;
        const auto v = ValidateSetup(f, meterCriterion);
        QVERIFY2(v.request, qPrintable(v.error));
        QTEST(*v.request->ThresholdLevel, "sent");
        QTEST(v.thresholdCapped, "capped");
        QCOMPARE(v.request->Clock->date(), QDate(2100, 2, 28));
    }

    void emptyFieldsMayMeanNotAsked() {
        SetupFields f;
        f.allowEmpty = true;
        f.ExchangeRate = 4;
        const auto v = ValidateSetup(f, 90);
        QVERIFY(v.request);
        QVERIFY(!v.request->ThresholdLevel && !v.request->Clock && !v.request->CriterionLevel);
        f.Hour = "10"; // a clock is all or nothing
        QVERIFY(!ValidateSetup(f, 90).request);
    }
};

QTEST_APPLESS_MAIN(SetupRequestTest)
#include "test_setup_request.moc"
