// The .bnk file in both layouts, and the printed listing.
#include "events/BankFile.h"
#include "events/BankListing.h"

#include <QTest>

using namespace nd::events;

Q_DECLARE_METATYPE(nd::events::BankLayout)

namespace {

/// E1 read, E2 unused, E3 marked as recording, E4 and E5 never read.
BankTable sampleTable() {
    BankTable t;
    t.Banks[0] = DecodeBank(QByteArray::fromHex("cb031508001630080504d20a0000001102030750"));
    t.Banks[1] = DecodeBank(QByteArray(20, '\0'));
    t.Banks[2] = MarkedColumn(QStringLiteral("Running"));
    t.Name = QStringLiteral("J. Doe");
    t.Address = QStringLiteral("Hall 3: press line");
    t.Company = QStringLiteral("Forge Ltd");
    return t;
}

} // namespace

class BankFileTest : public QObject {
    Q_OBJECT

private slots:
    void roundTripKeepsEveryCellAsSaved_data() {
        QTest::addColumn<BankLayout>("layout");
        QTest::addColumn<QString>("emptyCell");
        QTest::newRow("menu") << BankLayout::Menu << "----";
        QTest::newRow("toolbar") << BankLayout::Toolbar << " ";
    }
    void roundTripKeepsEveryCellAsSaved() {
        QFETCH(BankLayout, layout);
        const BankTable saved = FillEmptyCells(sampleTable(), layout);
        QTEST(saved.cell(1, 5), "emptyCell");
        QCOMPARE(saved.cell(12, 1), QString("  123.4")); // the leading blanks stay

        const BankFileRead read = ParseBankFile(BankFileBytes(sampleTable(), layout));
        QVERIFY2(read.table, qPrintable(read.error));
        QCOMPARE(read.layout, layout);
        QCOMPARE(*read.table, saved);
    }

    void aToolbarFileWithABlankHeadingCell_isRead() {
        QByteArray bytes = BankFileBytes(sampleTable(), BankLayout::Toolbar);
        bytes.replace("\t\t E1", "\t \t E1"); // an empty cell written as a single blank
        const BankFileRead read = ParseBankFile(bytes);
        QVERIFY2(read.table, qPrintable(read.error));
        QCOMPARE(read.layout, BankLayout::Toolbar);
    }

    void aFileCutShort_keepsItsWholeLinesAndSaysSo_data() {
        QTest::addColumn<BankLayout>("layout");
        QTest::newRow("menu") << BankLayout::Menu;
        QTest::newRow("toolbar") << BankLayout::Toolbar;
    }
    void aFileCutShort_keepsItsWholeLinesAndSaysSo() {
        QFETCH(BankLayout, layout);
        const QByteArray bytes = BankFileBytes(sampleTable(), layout);
        // Rows 1 to 12 whole, row 13 cut in the middle.
        qsizetype at = 0;
        for (int line = 0; line < (layout == BankLayout::Toolbar ? 13 : 12); ++line)
            at = bytes.indexOf("\r\n", at) + 2;
        const BankFileRead read = ParseBankFile(bytes.left(at + 3));
        QVERIFY2(read.table, qPrintable(read.error));
        QCOMPARE(read.layout, layout);
        const BankTable saved = FillEmptyCells(sampleTable(), layout);
        QCOMPARE(read.table->cell(12, 1), saved.cell(12, 1));
        QCOMPARE(read.table->cell(13, 1), QString());
        QVERIFY(read.table->Company.isEmpty() && read.leftOut.contains("cut short"));
    }

    void layoutsAreWrittenLineByLine() {
        const QList<QByteArray> menu = BankFileBytes(sampleTable(), BankLayout::Menu).split('\n');
        QCOMPARE(menu.size(), 19); // 18 lines and the end after the last CR LF
        QCOMPARE(menu.at(0), QByteArray("\t Used\t Unused\tRunning\t----\t----\r"));
        QCOMPARE(menu.at(17), QByteArray("COMPANY: Forge Ltd\r"));

        const QList<QByteArray> bar = BankFileBytes(sampleTable(), BankLayout::Toolbar).split('\n');
        QCOMPARE(bar.size(), 20);
        QCOMPARE(bar.at(0), QByteArray("\t\t E1\t E2\t E3\t E4\t E5\r"));
        QCOMPARE(bar.at(13), QByteArray("\tTWA(8hr %Dose)\t 91.5\t \t \t \t \r"));
    }

    void badFilesAreRefusedWithTheLine_data() {
        const QByteArray menu = BankFileBytes(sampleTable(), BankLayout::Menu);
        const QByteArray bar = BankFileBytes(sampleTable(), BankLayout::Toolbar);
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        QTest::newRow("empty") << QByteArray() << "a bank file has 18 lines; this one has 0";
        QTest::newRow("truncated menu")
            << menu.left(menu.indexOf("NAME:")) << "a bank file has 18 lines; this one has 15";
        QTest::newRow("truncated toolbar")
            << bar.left(bar.indexOf("\tStop Time")) << "a bank file has 19 lines; this one has 10";
        QTest::newRow("a data file") << QByteArray("1\t2024/03/15\t09:41:00.0\t94.5\r\n")
                                     << "a bank file has 18 lines; this one has 1";
        QByteArray shortRow = menu;
        shortRow.replace("\t----\t----\r\n", "\t----\r\n");
        QTest::newRow("row of four")
            << shortRow << "line 1: expected a row of 5 tab-separated cells";
        QByteArray heading = bar;
        heading.replace("Dose Value(%)", "Dose");
        QTest::newRow("foreign heading")
            << heading << "line 13: expected the row \"Dose Value(%)\"";
        QByteArray boxes = menu;
        boxes.replace("ADDRESS: ", "Address: ");
        QTest::newRow("other layout's box") << boxes << "line 17: expected \"ADDRESS:\"";
    }
    void badFilesAreRefusedWithTheLine() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        const BankFileRead read = ParseBankFile(bytes);
        QVERIFY(!read.table);
        QCOMPARE(read.error, error);
    }

    void listingHasTheBoxesAndTheGrid() {
        const QStringList lines = BankListing(sampleTable());
        QCOMPARE(lines.at(0), QString("Name: J. Doe"));
        QCOMPARE(lines.at(2), QString("Company: Forge Ltd"));
        QCOMPARE(lines.at(4),
                 QString(23, ' ') + " E1          E2          E3          E4          E5");
        QCOMPARE(lines.at(5), QString("Used or not             Used        Unused     Running"));
        QCOMPARE(lines.size(), 4 + 1 + 15);
    }
};

QTEST_GUILESS_MAIN(BankFileTest)
#include "test_bank_file.moc"
