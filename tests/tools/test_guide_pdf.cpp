// The guide tool turns Markdown with a heading, a table and an image into a PDF whose
// pages and text are read back with poppler's tools.
#include "GuidePdf.h"

#include <QFile>
#include <QHash>
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
    // A heading, a table, a picture and pages of text: no line is drawn twice (hidden at
    // the next page's top), no heading ends a page, a table's columns are as wide as their
    // contents ask.
    void markdownBecomesAPdfThatBreaksCleanly() {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("poppler-utils is not installed");
        QTemporaryDir dir;
        QImage tall(500, 600, QImage::Format_RGB32); // as wide as the text: 590 pt high
        tall.fill(Qt::darkCyan);
        QVERIFY(tall.save(dir.filePath("tall.png")));
        QString markdown = "# Getting started\n\n| Key | Meaning |\n|---|---|\n";
        for (int i = 1; i <= 3; ++i)
            markdown += QString("| key %1 of a few words | %2 |\n")
                            .arg(i)
                            .arg(QString("a long explanation ").repeated(8));
        for (int section = 1; section <= 40; ++section) {
            markdown += QString("\n## Heading%1\n\n").arg(section);
            if (section == 2) // a heading whose picture cannot follow it on the same page
                markdown += "![Picture](tall.png)\n\n";
            for (int word = 1; word <= 12 * (1 + section % 5); ++word)
                markdown += QString("w%1x%2 ").arg(section).arg(word);
            markdown += "\n";
        }
        QFile source(dir.filePath("guide.md"));
        QVERIFY(source.open(QIODevice::WriteOnly));
        source.write(markdown.toUtf8());
        source.close();
        const QString pdf = dir.filePath("guide.pdf");
        QCOMPARE(nd::guide::renderMarkdownToPdf(source.fileName(), pdf, "Guide"), QString());

        const QString text = run("pdftotext", {pdf, "-"});
        const QRegularExpression token(R"(w\d+x\d+)");
        QHash<QString, int> seen;
        for (auto it = token.globalMatch(text); it.hasNext();)
            ++seen[it.next().captured()];
        QCOMPARE(seen.size(), 40 * 12 * 3); // sections of 12 to 60 words: 1440 in all
        for (auto it = seen.cbegin(); it != seen.cend(); ++it)
            QVERIFY2(it.value() == 1, qPrintable(it.key() + " is on the pages twice"));

        const int count = pageCount(pdf);
        QVERIFY(count > 2);
        for (int page = 1; page < count; ++page) {
            const QStringList lines = run("pdftotext", {"-f", QString::number(page), "-l",
                                                        QString::number(page), pdf, "-"})
                                          .trimmed() // the form feed that ends a page
                                          .split('\n', Qt::SkipEmptyParts);
            QVERIFY(!lines.isEmpty() && (page > 1 || lines[0] == "Getting started"));
            QVERIFY2(!lines.back().trimmed().startsWith("Heading"),
                     qPrintable(QString("page %1 ends with %2").arg(page).arg(lines.back())));
        }

        // The short first column leaves most of the width to the second.
        const QString boxes = run("pdftotext", {"-bbox", "-f", "1", "-l", "1", pdf, "-"});
        auto left = [&boxes](const QString& word) {
            const auto match =
                QRegularExpression(QString(R"re(xMin="([\d.]+)"[^>]*>%1<)re").arg(word))
                    .match(boxes);
            return match.hasMatch() ? match.captured(1).toDouble() : -1.0;
        };
        QVERIFY(left("Key") > 0 && left("Meaning") > left("Key"));
        QVERIFY2(left("Meaning") - left("Key") < 110,
                 "the first column is wider than its words need");
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
