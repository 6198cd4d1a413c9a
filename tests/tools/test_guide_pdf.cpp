// The guide tool turns Markdown with a heading, a table and an image into a PDF whose
// pages and text are read back with poppler's tools.
#include "GuidePdf.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

int pageCount(const QString& pdf) {
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    for (const QString& line : info.split('\n')) {
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    }
    return -1;
}

} // namespace

class TestGuidePdf : public QObject {
    Q_OBJECT

private slots:
    void markdownBecomesAPdfWithItsTextTableAndImage_data() {
        QTest::addColumn<int>("paragraphs");
        QTest::addColumn<int>("pages");
        QTest::newRow("one page") << 3 << 1;
        QTest::newRow("runs over pages, nothing lost") << 160 << 0; // 0: more than one
    }
    void markdownBecomesAPdfWithItsTextTableAndImage() {
        QFETCH(int, paragraphs);
        QFETCH(int, pages);
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("poppler-utils is not installed");
        QTemporaryDir dir;
        QImage shot(2400, 600, QImage::Format_RGB32); // wider than the page: scaled down
        shot.fill(Qt::darkCyan);
        QVERIFY(shot.save(dir.filePath("shot.png")));
        QString markdown = "# Getting started\n\n| File | Holds |\n|---|---|\n"
                           "| .dat | levels |\n| .avg | averages |\n\n![Main window](shot.png)\n\n";
        for (int i = 1; i <= paragraphs; ++i)
            markdown += QString("Paragraph %1 of the guide.\n\n").arg(i);
        QFile source(dir.filePath("guide.md"));
        QVERIFY(source.open(QIODevice::WriteOnly));
        source.write(markdown.toUtf8());
        source.close();

        const QString pdf = dir.filePath("guide.pdf");
        QCOMPARE(nd::guide::renderMarkdownToPdf(source.fileName(), pdf, "Guide"), QString());
        const int count = pageCount(pdf);
        QVERIFY(pages == 0 ? count > 1 : count == pages);
        auto page = [&pdf](int n) {
            return run("pdftotext",
                       {"-layout", "-f", QString::number(n), "-l", QString::number(n), pdf, "-"});
        };
        QVERIFY(page(1).contains("Getting started"));
        QVERIFY(page(1).contains(QRegularExpression(R"(\.avg\s+averages)")));
        QVERIFY(page(count).contains(QString("Paragraph %1 of the guide.").arg(paragraphs)));
    }

    void aMissingSourceIsSaid() {
        QTemporaryDir dir;
        const QString why =
            nd::guide::renderMarkdownToPdf(dir.filePath("none.md"), dir.filePath("x.pdf"), "");
        QVERIFY(why.contains("none.md"));
    }
};

QTEST_MAIN(TestGuidePdf)
#include "test_guide_pdf.moc"
