// The Archive window's main path: list newest first, search, a tag edited in place, an
// import on its own thread, open in Saved File, delete after a confirmation naming it.

#include "ScriptedDialogs.h"
#include "archive/Archive.h"
#include "archive/ui/ArchiveWindow.h"
#include "report/ui/AssessmentWindow.h"
#include "report/ui/ReportWindow.h"
#include "stored/DataFile.h"
#include "stored/SaveFile.h"
#include "stored/ui/FileList.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QStandardPaths>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace nd;

namespace {

stored::LevelList dayList(int day, int count) {
    stored::LevelList list;
    for (int i = 0; i < count; ++i) {
        const stored::StampTenths t = stored::makeStamp(QDate(2024, 5, day), 36000 * 8 + i * 20);
        list.rows.push_back(stored::makeRow(QString::number(i + 1), stored::stampDateText(t),
                                            stored::stampTimeText(t),
                                            QString::number(80 + i % 10, 'f', 1)));
    }
    return list;
}

} // namespace

class TestArchiveWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void mainPath() {
        QTemporaryDir dir;
        const QString where = dir.filePath("archive.sqlite");
        {
            archive::Archive a;
            QVERIFY(a.open(where));
            auto older = archive::fromLevelList(archive::Kind::Logged, dayList(3, 30), "old.dat");
            older.info.tags.worker = "Ann Lee";
            QVERIFY(a.add(older).added);
            auto newer =
                archive::fromLevelList(archive::Kind::Recording, dayList(9, 30), "new.dat");
            newer.info.tags.worker = "Bob Stone";
            QVERIFY(a.add(newer).added);
        }
        test::ScriptedDialogs dialogs;
        auto* window = new archive::ui::ArchiveWindow(where, dialogs);
        QVERIFY(window->isReady());
        window->show();
        QTableView* table = window->table();
        QAbstractItemModel* model = table->model();
        QCOMPARE(model->rowCount(), 2);
        QCOMPARE(model->index(0, archive::ui::ArchiveModel::kSource).data().toString(),
                 QStringLiteral("new.dat"));

        window->searchBox()->setText("ann");
        QTRY_COMPARE(model->rowCount(), 1);
        QCOMPARE(model->index(0, archive::ui::ArchiveModel::kWorker).data().toString(),
                 QStringLiteral("Ann Lee"));
        window->searchBox()->clear();
        QTRY_COMPARE(model->rowCount(), 2);

        // A tag typed in place lands in the archive.
        QVERIFY(model->setData(model->index(1, archive::ui::ArchiveModel::kTask), "grinding"));
        QCOMPARE(window->archive().list()[1].tags.task, QStringLiteral("grinding"));

        // An import runs beside the window and shows up when done.
        const QString file = dir.filePath("import.dat");
        QVERIFY(!stored::saveBytes(file, stored::gridFileBytes(dayList(15, 100))));
        QSignalSpy finished(window, &archive::ui::ArchiveWindow::importFinished);
        window->importFiles({file, dir.filePath("missing.dat")});
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished[0][0].toInt(), 1);
        QCOMPARE(finished[0][2].toInt(), 1);
        QCOMPARE(model->rowCount(), 3);
        QVERIFY(dialogs.messages().last().contains("missing.dat"));

        // Open the newest in Saved File: its rows.
        table->selectRow(0);
        window->openSelected();
        auto* saved = window->findChild<stored::ui::FileList*>();
        QVERIFY(saved);
        QCOMPARE(saved->model().rowCount(), 100);

        // Delete, after a confirmation that names it.
        dialogs.answerMessage(dialogs::Answer::Ok);
        window->deleteSelected();
        QVERIFY(dialogs.messages().last().contains("import.dat"));
        QCOMPARE(model->rowCount(), 2);
        QCOMPARE(window->archive().list().size(), std::size_t(2));
        window->close();
    }

    // "Report…" opens the Report window with the archive's tags filled in, and its PDF says
    // so; "Summary report…" saves the selection's table; "Assessment…" reads the archive.
    void reportsFromTheArchive() {
        QTemporaryDir dir;
        const QString where = dir.filePath("archive.sqlite");
        {
            archive::Archive a;
            QVERIFY(a.open(where));
            auto c = archive::fromLevelList(archive::Kind::Recording, dayList(3, 90), "day.dat");
            c.info.tags = {"Ann Lee", "Grinding", "Bay 4", "", 94.0, 94.1};
            QVERIFY(a.add(c).added);
            auto other = archive::fromLevelList(archive::Kind::Recording, dayList(4, 90), "b.dat");
            other.info.tags.worker = "Bob Stone";
            QVERIFY(a.add(other).added);
        }
        test::ScriptedDialogs dialogs;
        auto* window = new archive::ui::ArchiveWindow(where, dialogs);
        QVERIFY(window->isReady());
        window->show();
        window->table()->selectRow(1); // newest first: day.dat is the second
        window->findChild<QPushButton*>("CmdReport")->click();
        auto* report = window->findChild<report::ui::ReportWindow*>();
        QVERIFY(report);
        QCOMPARE(report->findChild<QLineEdit*>("Worker")->text(), "Ann Lee");
        QCOMPARE(report->findChild<QLineEdit*>("Location")->text(), "Bay 4");
        QCOMPARE(report->findChild<QLineEdit*>("CalAfter")->text(), "94.1");
        const QString pdf = dir.filePath("day.pdf");
        dialogs.answerSaveFile(pdf);
        QVERIFY(report->savePdf());
        if (!QStandardPaths::findExecutable("pdftotext").isEmpty()) {
            QProcess text;
            text.start("pdftotext", {"-layout", pdf, "-"});
            QVERIFY(text.waitForFinished(30000));
            const QString t = QString::fromUtf8(text.readAllStandardOutput()).simplified();
            QVERIFY2(t.contains("Worker Ann Lee") && t.contains("Task Grinding") &&
                         t.contains("Source: day.dat"),
                     qPrintable(t));
        }

        window->table()->selectAll();
        const QString summary = dir.filePath("summary.pdf");
        dialogs.answerSaveFile(summary);
        QVERIFY(window->summaryOfSelection());
        QVERIFY(QFileInfo(summary).size() > 1000);

        auto* assessment = qobject_cast<report::ui::AssessmentWindow*>(window->assessSelection());
        QVERIFY(assessment);
        QCOMPARE(assessment->table()->rowCount(), 2); // "Grinding" and an untagged task
        QVERIFY2(assessment->resultText().startsWith("LEX,8h = "),
                 qPrintable(assessment->resultText()));
        // More of a task's measurements picked by number; an unknown one is named.
        assessment->table()->selectRow(0);
        dialogs.answerInput("2, #99");
        QVERIFY(assessment->addFromArchive());
        QVERIFY2(assessment->findChild<QLabel*>("Details")->text().contains(
                     "measurement 99: not in the archive"),
                 qPrintable(assessment->findChild<QLabel*>("Details")->text()));
        window->close();
    }
};

QTEST_MAIN(TestArchiveWindow)
#include "test_archive_window.moc"
