// Figures of the measurement archive, on SQLite and on a PostgreSQL server started in a
// temporary folder: import of N days of 1-s recordings (seconds per day, through the .dat
// reader), archive size per day, `list` with 1,000 measurements, and one day opened from
// the archive into the Saved File window.
//
//   archive_bench [DAYS]          (default 30; benchmark a release build)

#include "../tests/support/PgServer.h"
#include "archive/Archive.h"
#include "dialogs/WidgetDialogs.h"
#include "stored/DataFile.h"
#include "stored/SaveFile.h"
#include "stored/ui/FileList.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace nd;

namespace {

constexpr int kDaySamples = 86'400;
constexpr int kListed = 1'000;

QByteArray dayFile(int day) {
    QByteArray bytes = stored::recordingHeaderLine();
    const stored::StampTenths start = stored::makeStamp(QDate(2024, 1, 1).addDays(day), 0);
    // A level that wanders as a workplace's does (steps of up to ±3 dB between 60 and 110
    // dB), so the archive's compression meets data as varied as a real day's.
    QRandomGenerator random(static_cast<quint32>(day + 1));
    int tenths = 800;
    for (int i = 0; i < kDaySamples; ++i) {
        const stored::StampTenths t = start + i * 10;
        tenths = std::clamp(tenths + random.bounded(-30, 31), 600, 1100);
        bytes += stored::recordingLine(
            stored::makeRow(QString::number(i + 1), stored::stampDateText(t),
                            stored::stampTimeText(t), QString::number(tenths / 10.0, 'f', 1)));
    }
    return bytes;
}

qint64 serverSize(const archive::Archive&, const QString& uri) {
    const archive::Location l = *archive::parseLocation(uri).location;
    qint64 size = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "size");
        db.setHostName(l.host);
        db.setPort(l.port);
        db.setUserName(l.user);
        db.setDatabaseName(l.database);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec("SELECT pg_total_relation_size('measurement') + "
                       "pg_total_relation_size('sample_data') + "
                       "pg_total_relation_size('measurement_field')") &&
                q.next())
                size = q.value(0).toLongLong();
            else
                std::printf("size: %s\n", qPrintable(q.lastError().text()));
        } else {
            std::printf("size: %s\n", qPrintable(db.lastError().text()));
        }
    }
    QSqlDatabase::removeDatabase("size");
    return size;
}

void bench(const char* engine, const QString& where, const QStringList& files, bool server) {
    archive::Archive a;
    if (!a.open(where)) {
        std::printf("%s: %s\n", engine, qPrintable(a.error()));
        return;
    }
    qint64 emptySize = server ? serverSize(a, where) : QFileInfo(where).size();
    QElapsedTimer t;
    t.start();
    qint64 lastId = 0;
    for (const QString& f : files) {
        const archive::FileContent read = archive::readMeasurementFile(f);
        const archive::Added added = a.add(*read.content);
        lastId = added.id;
    }
    const double perDay = t.nsecsElapsed() / 1e9 / files.size();
    qint64 size = 0;
    if (server) {
        size = serverSize(a, where);
    } else {
        QSqlQuery(QSqlDatabase::database("nd-archive-0", false)).exec("PRAGMA wal_checkpoint");
        size = QFileInfo(where).size() + QFileInfo(where + "-wal").size();
    }
    // Up to 1,000 measurements for the list.
    for (int i = static_cast<int>(files.size()); i < kListed; ++i) {
        stored::LevelList small;
        const stored::StampTenths s = stored::makeStamp(QDate(2023, 1, 1).addDays(i), 0);
        small.rows.push_back(
            stored::makeRow("1", stored::stampDateText(s), stored::stampTimeText(s), "80.0"));
        a.add(archive::fromLevelList(archive::Kind::Logged, small, "small.dat"));
    }
    double listMs = 1e9;
    for (int i = 0; i < 5; ++i) {
        t.restart();
        const auto all = a.list();
        listMs = std::min(listMs, t.nsecsElapsed() / 1e6);
        if (int(all.size()) != kListed)
            std::printf("%s: listed %d\n", engine, int(all.size()));
    }
    dialogs::WidgetDialogs dialogs;
    t.restart();
    const auto day = a.load(lastId);
    stored::ui::FileList window(QStringLiteral("day"), archive::levelList(*day), dialogs);
    window.show();
    QApplication::processEvents();
    const double openMs = t.nsecsElapsed() / 1e6;
    std::printf("%-10s import %.2f s per day (goal < 2), size %.2f MB per day, list of %d "
                "%.1f ms (goal < 50), one day into Saved File %.0f ms (goal < 300)\n",
                engine, perDay, (size - emptySize) / 1e6 / files.size(), kListed, listMs, openMs);
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int days = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    QTemporaryDir dir;
    QStringList files;
    for (int d = 0; d < days; ++d) {
        files << dir.filePath(QStringLiteral("day%1.dat").arg(d, 2, 10, QLatin1Char('0')));
        stored::saveBytes(files.last(), dayFile(d));
    }
    std::printf("%d days of 1-s recordings (%d samples)\n", days, days * kDaySamples);
    bench("SQLite", dir.filePath("archive.sqlite"), files, false);
    test::PgServer pg;
    QString why;
    if (!pg.start(why)) {
        std::printf("PostgreSQL: did not start: %s\n", qPrintable(why));
        return 0;
    }
    bench("PostgreSQL", pg.newDatabase("bench"), files, true);
    return 0;
}
