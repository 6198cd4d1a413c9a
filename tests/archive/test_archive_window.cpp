// The Archive window's main path: list newest first, search, a tag edited in place, an
// import on its own thread, open in Saved File, delete after a confirmation naming it.

#include "../report/ReportFiles.h"
#include "ScriptedDialogs.h"
#include "archive/Archive.h"
#include "archive/ui/ArchiveWindow.h"
#include "report/ui/AssessmentWindow.h"
#include "report/ui/ReportWindow.h"
#include "stored/ui/FileList.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace nd;

namespace {

/// An archive of Ann Lee's older day, tagged in full, and Bob Stone's newer one.
QString twoDays(const QTemporaryDir& dir) {
    archive::Archive a;
    auto older = archive::fromLevelList(archive::Kind::Recording,
                                        test::steadyRows(90, "85.0", 3, 2), "old.dat");
    older.info.tags = {"Ann Lee", "Grinding", "Bay 4", "", 94.0, 94.1};
    auto newer = archive::fromLevelList(archive::Kind::Recording,
                                        test::steadyRows(30, "85.0", 9, 2), "new.dat");
    newer.info.tags.worker = "Bob Stone";
    const QString where = dir.filePath("archive.sqlite");
    return a.open(where) && a.add(older).added && a.add(newer).added ? where : QString();
}

} // namespace

class TestArchiveWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void mainPath() {
        QTemporaryDir dir;
        test::ScriptedDialogs dialogs;
        auto* window = new archive::ui::ArchiveWindow(twoDays(dir), dialogs);
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
        QVERIFY(model->setData(model->index(1, archive::ui::ArchiveModel::kTask), "sawing"));
        QCOMPARE(window->archive().list()[1].tags.task, QStringLiteral("sawing"));

        // An import runs beside the window and shows up when done.
        const QString file = dir.filePath("import.dat");
        QVERIFY(
            !stored::saveBytes(file, stored::gridFileBytes(test::steadyRows(100, "85.0", 15, 2))));
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
        QCOMPARE(window->archive().list().size(), std::size_t(2));
        window->close();
    }

    // "Report…" opens the Report window with the archive's tags filled in (what reaches its
    // PDF: test_report_windows); "Summary report…" saves the selection's table;
    // "Assessment…" reads the archive.
    void reportsFromTheArchive() {
        QTemporaryDir dir;
        test::ScriptedDialogs dialogs;
        auto* window = new archive::ui::ArchiveWindow(twoDays(dir), dialogs);
        QVERIFY(window->isReady());
        window->show();
        window->table()->selectRow(1); // newest first: Ann's is the second
        window->findChild<QPushButton*>("CmdReport")->click();
        auto* report = window->findChild<report::ui::ReportWindow*>();
        QVERIFY(report);
        QCOMPARE(report->findChild<QLineEdit*>("Worker")->text(), "Ann Lee");
        QCOMPARE(report->findChild<QLineEdit*>("Location")->text(), "Bay 4");
        QCOMPARE(report->findChild<QLineEdit*>("CalAfter")->text(), "94.1");

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
