#include "Measurement.h"

#include "stored/DataFile.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace nd::archive {

namespace {

const QString kNote = QStringLiteral("note");
const QString kHeader = QStringLiteral("header");
const QString kBox = QStringLiteral("box");

/// The leading number of a text such as " 90dB" or "85"; nothing without one.
std::optional<double> leadingNumber(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^\\s*(-?[0-9]+(?:\\.[0-9]+)?)"));
    const auto m = number.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1).toDouble();
}

/// First and last stamp, and the usual spacing (the median of the steps forward).
void fillTimes(Content& c) {
    std::vector<stored::StampTenths> steps;
    std::optional<stored::StampTenths> previous;
    for (const stored::LevelRow& row : c.rows) {
        if (!row.stamp)
            continue;
        if (!c.info.start)
            c.info.start = row.stamp;
        c.info.end = row.stamp;
        if (previous && *row.stamp > *previous)
            steps.push_back(*row.stamp - *previous);
        previous = row.stamp;
    }
    if (!steps.empty()) {
        const auto mid = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
        std::nth_element(steps.begin(), mid, steps.end());
        c.info.intervalTenths = static_cast<int>(*mid);
    }
    c.info.samples = static_cast<int>(c.rows.size());
}

void finish(Content& c, const QString& source) {
    c.info.source = source;
    fillTimes(c);
    c.info.hash = contentHash(c);
}

} // namespace

QString kindKey(Kind kind) {
    switch (kind) {
    case Kind::Logged:
        return QStringLiteral("logged");
    case Kind::Recording:
        return QStringLiteral("recording");
    case Kind::Bank:
        return QStringLiteral("bank");
    case Kind::Average:
        return QStringLiteral("average");
    }
    return {};
}

std::optional<Kind> kindFromKey(const QString& key) {
    for (Kind k : {Kind::Logged, Kind::Recording, Kind::Bank, Kind::Average}) {
        if (kindKey(k) == key)
            return k;
    }
    return std::nullopt;
}

Content fromLevelList(Kind kind, const stored::LevelList& list, const QString& source) {
    Content c;
    c.info.kind = kind;
    c.rows = list.rows;
    for (int i = 0; i < static_cast<int>(list.notes.size()); ++i)
        c.fields.push_back({kNote, i, QString(), list.notes[static_cast<std::size_t>(i)]});
    // A download writes the meter's ID code into the first note.
    static const QRegularExpression id(QStringLiteral("^ID code ([0-9]+)"));
    if (const auto m = id.match(list.notes[0]); m.hasMatch())
        c.info.meterId = m.captured(1);
    finish(c, source);
    return c;
}

Content fromBankTable(const events::BankTable& table, const QString& source) {
    Content c;
    c.info.kind = Kind::Bank;
    for (int bank = 1; bank <= events::kBankCount; ++bank) {
        const QString section = QStringLiteral("E%1").arg(bank);
        for (int row = 1; row <= events::kBankRows; ++row) {
            // An empty cell as the meter gives it, whatever filler a file wrote for it, so
            // banks read and the same banks saved and imported are one measurement.
            QString cell = table.cell(row, bank);
            if (cell.trimmed().isEmpty() || cell == QLatin1String("----"))
                cell.clear();
            c.fields.push_back({section, row, events::RowHeading(row), cell});
        }
        // The settings in force: those of the first bank that holds an event.
        if (!c.info.criterion && table.cell(events::row::kUsed, bank).trimmed() == "Used") {
            c.info.criterion = leadingNumber(table.cell(events::row::kCriterion, bank));
            c.info.threshold = leadingNumber(table.cell(events::row::kThreshold, bank));
            c.info.exchange = leadingNumber(table.cell(events::row::kExchangeRate, bank));
            c.info.weighting = table.cell(events::row::kTimeWeighting, bank).trimmed();
        }
    }
    c.fields.push_back({kBox, 0, QStringLiteral("Name"), table.Name});
    c.fields.push_back({kBox, 1, QStringLiteral("Address"), table.Address});
    c.fields.push_back({kBox, 2, QStringLiteral("Company"), table.Company});
    finish(c, source);
    return c;
}

Content fromAverageFile(const realtime::AverageFile& file, const QString& source) {
    Content c;
    c.info.kind = Kind::Average;
    c.rows = file.rows;
    for (int i = 0; i < realtime::kAverageFieldCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        c.fields.push_back({kHeader, i, realtime::kAverageLabels[at], file.fields[at]});
    }
    c.info.meterId = file.fields[realtime::kId].trimmed();
    c.info.criterion = leadingNumber(file.fields[realtime::kCriterion]);
    c.info.exchange = leadingNumber(file.fields[realtime::kExchange]);
    finish(c, source);
    return c;
}

stored::LevelList levelList(const Content& content) {
    stored::LevelList list;
    list.rows = content.rows;
    for (const Field& f : content.fields) {
        if (f.section == kNote && f.position >= 0 && f.position < 3)
            list.notes[static_cast<std::size_t>(f.position)] = f.value;
    }
    return list;
}

events::BankTable bankTable(const Content& content) {
    events::BankTable table;
    for (const Field& f : content.fields) {
        if (f.section == kBox) {
            (f.position == 0   ? table.Name
             : f.position == 1 ? table.Address
                               : table.Company) = f.value;
            continue;
        }
        const int bank = f.section.mid(1).toInt();
        if (f.section.startsWith(QLatin1Char('E')) && bank >= 1 && bank <= events::kBankCount &&
            f.position >= 1 && f.position <= events::kBankRows)
            table.cell(f.position, bank) = f.value;
    }
    return table;
}

realtime::AverageFile averageFile(const Content& content) {
    realtime::AverageFile file;
    file.rows = content.rows;
    for (const Field& f : content.fields) {
        if (f.section == kHeader && f.position >= 0 && f.position < realtime::kAverageFieldCount)
            file.fields[static_cast<std::size_t>(f.position)] = f.value;
    }
    return file;
}

QString contentHash(const Content& content) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(kindKey(content.info.kind).toUtf8());
    hash.addData(QByteArrayView("\n"));
    // Every row's texts, exactly as shown and saved.
    auto add = [&hash](const QString& text) {
        hash.addData(QByteArrayView(reinterpret_cast<const char*>(text.utf16()), text.size() * 2));
        hash.addData(QByteArrayView("\t", 1));
    };
    for (const stored::LevelRow& row : content.rows) {
        add(row.number);
        add(row.date);
        add(row.time);
        add(row.value);
    }
    for (const Field& f : content.fields) {
        // The notes are the user's words about the list, typed before a save: the same
        // samples with other notes are the same measurement.
        if (f.section == kNote)
            continue;
        hash.addData(
            QStringLiteral("\n%1\t%2\t%3").arg(f.section).arg(f.position).arg(f.value).toUtf8());
    }
    return QString::fromLatin1(hash.result().toHex());
}

QString stampText(std::optional<stored::StampTenths> stamp) {
    if (!stamp)
        return {};
    QString date = stored::stampDateText(*stamp);
    date.replace(QLatin1Char('/'), QLatin1Char('-'));
    return date + QLatin1Char(' ') + stored::stampTimeText(*stamp);
}

FileContent readMeasurementFile(const QString& path) {
    const QFileInfo info(path);
    const QString suffix = info.suffix().toLower();
    const QString name = info.fileName();
    if (!info.isFile())
        return {std::nullopt, QStringLiteral("no such file")};
    if (suffix == QLatin1String("bnk")) {
        const events::BankFileRead read = events::OpenBankFile(path);
        if (!read.table)
            return {std::nullopt, read.error};
        return {fromBankTable(*read.table, name), {}};
    }
    if (suffix == QLatin1String("avg")) {
        const realtime::AverageFileRead read = realtime::readAverageFile(path);
        if (!read.ok())
            return {std::nullopt, read.error.text()};
        return {fromAverageFile(*read.content, name), {}};
    }
    const stored::DataFileRead read = stored::readDataFile(path);
    if (!read.ok())
        return {std::nullopt, read.error.text()};
    const Kind kind =
        read.content->flavour == stored::DataFlavour::Recording ? Kind::Recording : Kind::Logged;
    return {fromLevelList(kind, read.content->list, name), {}};
}

} // namespace nd::archive
