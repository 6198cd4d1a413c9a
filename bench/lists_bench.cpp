// Opens an 86,400-line recording in the Saved File window with its exposure figures, then
// counts and shows it in both histogram windows, and prints how long each took. Run by
// lists_bench.sh, which also writes the file it reads.
//   lists_bench FILE.dat

#include "dialogs/Dialogs.h"
#include "stored/DataFile.h"
#include "stored/ui/FileList.h"
#include "stored/ui/Histogram.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPrinter>
#include <QTextStream>

#include <ctime>

namespace {

/// Nothing is asked while measuring.
class NoDialogs final : public nd::dialogs::Dialogs {
public:
    nd::dialogs::Answer message(QWidget*, const nd::dialogs::Message&) override {
        return nd::dialogs::Answer::Ok;
    }
    std::optional<QString> input(QWidget*, const QString&, const QString&,
                                 const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> openFile(QWidget*, const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> folder(QWidget*, const QString&) override { return std::nullopt; }
    std::unique_ptr<QPrinter> print(QWidget*) override { return nullptr; }
    bool openDocument(const QUrl&) override { return false; }

protected:
    std::optional<nd::dialogs::SaveChoice> chooseSaveFile(QWidget*, const QString&,
                                                          const QString&) override {
        return std::nullopt;
    }
};

double msSince(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

/// Processor time of this process, so a busy machine shows as wall time, not as cost.
double cpuMs() {
    return 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

QString figures(const QElapsedTimer& timer, double cpuStart) {
    return QStringLiteral("%1 ms (processor %2 ms)")
        .arg(msSince(timer), 0, 'f', 1)
        .arg(cpuMs() - cpuStart, 0, 'f', 1);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    NoDialogs dialogs;
    QTextStream out(stdout);

    QElapsedTimer timer;
    timer.start();
    double cpu = cpuMs();
    auto read = nd::stored::readDataFile(QString::fromLocal8Bit(argv[1]));
    if (!read.ok())
        return 1;
    const int rows = static_cast<int>(read.content->list.rows.size());
    auto* window = new nd::stored::ui::FileList(QStringLiteral("day.dat"),
                                                std::move(read.content->list), dialogs);
    window->show();
    QCoreApplication::processEvents();
    out << "rows                        " << rows << "\n"
        << "Saved File with figures     " << figures(timer, cpu) << "\n"
        << "  LAeq " << window->exposurePanel().figure(QStringLiteral("LAeq")) << ", dose "
        << window->exposurePanel().figure(QStringLiteral("Dose")) << "\n";

    for (const auto resolution : {nd::stored::Resolution::OneDb, nd::stored::Resolution::TenthDb}) {
        timer.restart();
        cpu = cpuMs();
        window->showHistogram(resolution);
        QCoreApplication::processEvents();
        out << (resolution == nd::stored::Resolution::OneDb ? "histogram 1 dB, shown       "
                                                            : "histogram 0.1 dB, shown     ")
            << figures(timer, cpu) << "\n";
    }
    return 0;
}
