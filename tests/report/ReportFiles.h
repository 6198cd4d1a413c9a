#pragma once
// What the report tests share: steady recordings, as rows or as a .dat file, and a PDF's text.

#include "stored/DataFile.h"
#include "stored/SaveFile.h"

#include <QProcess>

namespace nd::test {

/// `count` rows of a steady `level`, `step` seconds apart from 07:00 on 2026-03-`day`.
inline stored::LevelList steadyRows(int count, const QString& level, int day = 2, int step = 10) {
    stored::LevelList list;
    const stored::StampTenths start = stored::makeStamp(QDate(2026, 3, day), 7 * 36000);
    for (int i = 0; i < count; ++i) {
        const stored::StampTenths t = start + stored::StampTenths(i) * step * 10;
        list.rows.push_back(stored::makeRow(QString::number(i + 1), stored::stampDateText(t),
                                            stored::stampTimeText(t), level));
    }
    return list;
}

/// Writes the rows as a recording's .dat file; true when written.
inline bool saveRecording(const QString& path, const stored::LevelList& list) {
    QByteArray bytes = stored::recordingHeaderLine();
    for (const stored::LevelRow& row : list.rows)
        bytes += stored::recordingLine(row);
    return !stored::saveBytes(path, bytes);
}

/// What a tool (pdftotext, pdffonts, pdfinfo) prints, or nothing when it fails.
inline QString toolOutput(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

/// A PDF's text, its white space collapsed to single spaces.
inline QString pdfText(const QString& pdf) {
    return toolOutput("pdftotext", {"-layout", pdf, "-"}).simplified();
}

} // namespace nd::test
