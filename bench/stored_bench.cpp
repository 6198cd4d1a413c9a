// Loads a recording of 86,400 lines (a day at one a second) into the level-list model
// and shows it in a table, and prints how long each step took. Run by stored_bench.sh.
//   stored_bench [rows]

#include "stored/DataFile.h"
#include "stored/LevelListModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const int rows = argc > 1 ? QString(argv[1]).toInt() : 86400;
    QTemporaryDir dir;
    const QString path = dir.filePath("day.dat");
    {
        QByteArray bytes = nd::stored::recordingHeaderLine();
        const auto start = nd::stored::makeStamp(QDate(2026, 12, 7), 0);
        for (int i = 1; i <= rows; ++i) {
            const auto stamp = start + static_cast<std::int64_t>(i) * 10;
            const auto row =
                nd::stored::makeRow(QString::number(i), nd::stored::stampDateText(stamp),
                                    nd::stored::stampTimeText(stamp),
                                    QString::number(70.0 + (i * 37 % 500) / 10.0, 'f', 1));
            bytes += nd::stored::recordingLine(row);
        }
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return 1;
    }
    QElapsedTimer timer;
    timer.start();
    auto read = nd::stored::readDataFile(path);
    const double readMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    if (!read.ok())
        return 1;
    nd::stored::LevelListModel model;
    QTableView view;
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.verticalHeader()->setDefaultSectionSize(view.fontMetrics().height() + 4);
    view.verticalHeader()->hide();
    view.setModel(&model);
    view.resize(420, 600);
    view.show();
    QCoreApplication::processEvents();
    timer.restart();
    model.setList(std::move(read.content->list));
    const double modelMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    view.scrollToBottom();
    view.repaint();
    QCoreApplication::processEvents();
    const double shownMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    QTextStream(stdout) << "rows                   " << model.rowCount() << "\n"
                        << "read file              " << QString::number(readMs, 'f', 1) << " ms\n"
                        << "model filled           " << QString::number(modelMs, 'f', 1) << " ms\n"
                        << "read + shown           " << QString::number(readMs + shownMs, 'f', 1)
                        << " ms\n";
    return 0;
}
