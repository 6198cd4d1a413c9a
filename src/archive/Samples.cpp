#include "Samples.h"

#include <QDate>

#include <cmath>

namespace nd::archive {

namespace {

constexpr char kFormat = 1;

// Row header bits.
constexpr quint8 kValueMask = 0x07;
constexpr quint8 kValueLevel = 0;
constexpr quint8 kValueOver = 1;
constexpr quint8 kValueUnder = 2;
constexpr quint8 kValueEmpty = 3;
constexpr quint8 kValueText = 4;
constexpr quint8 kShortTime = 0x08; ///< "hh:mm:ss" without the tenths
constexpr quint8 kRawStamp = 0x10;  ///< date and time kept as texts
constexpr quint8 kRawNumber = 0x20; ///< number kept as text

void putVarint(QByteArray& out, quint64 v) {
    while (v >= 0x80) {
        out.append(static_cast<char>((v & 0x7F) | 0x80));
        v >>= 7;
    }
    out.append(static_cast<char>(v));
}

void putSigned(QByteArray& out, qint64 v) {
    putVarint(out, (static_cast<quint64>(v) << 1) ^ static_cast<quint64>(v >> 63));
}

void putText(QByteArray& out, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    putVarint(out, static_cast<quint64>(utf8.size()));
    out.append(utf8);
}

struct Reader {
    const QByteArray& in;
    qsizetype at = 0;
    bool bad = false;

    quint64 varint() {
        quint64 v = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (at >= in.size()) {
                bad = true;
                return 0;
            }
            const auto b = static_cast<quint8>(in[at++]);
            v |= static_cast<quint64>(b & 0x7F) << shift;
            if ((b & 0x80) == 0)
                return v;
        }
        bad = true;
        return 0;
    }
    qint64 signedVarint() {
        const quint64 v = varint();
        return static_cast<qint64>(v >> 1) ^ -static_cast<qint64>(v & 1);
    }
    QString text() {
        const quint64 n = varint();
        if (bad || n > static_cast<quint64>(in.size() - at)) {
            bad = true;
            return {};
        }
        const auto s = QString::fromUtf8(in.constData() + at, static_cast<qsizetype>(n));
        at += static_cast<qsizetype>(n);
        return s;
    }
};

QString levelText(qint64 tenths) {
    return QString::number(static_cast<double>(tenths) / 10.0, 'f', 1);
}

} // namespace

QByteArray packRows(const std::vector<stored::LevelRow>& rows) {
    QByteArray out;
    out.reserve(static_cast<qsizetype>(rows.size()) * 5 + 16);
    putVarint(out, rows.size());
    qint64 prevNumber = 0;
    qint64 prevStamp = 0;
    qint64 prevTenths = 0;
    for (const stored::LevelRow& row : rows) {
        quint8 head = 0;
        bool numberOk = false;
        const qint64 number = row.number.toLongLong(&numberOk);
        if (!numberOk || QString::number(number) != row.number)
            head |= kRawNumber;
        if (!row.stamp || stored::stampDateText(*row.stamp) != row.date)
            head |= kRawStamp;
        else if (row.time.size() == 8)
            head |= kShortTime;
        if ((head & kRawStamp) == 0) {
            const QString canonical = stored::stampTimeText(*row.stamp);
            if (canonical.left(row.time.size()) != row.time)
                head |= kRawStamp;
        }
        qint64 tenths = 0;
        switch (row.level.kind) {
        case stored::LevelKind::Level:
            tenths = std::llround(row.level.dB * 10.0);
            head |= levelText(tenths) == row.value ? kValueLevel : kValueText;
            break;
        case stored::LevelKind::OverRange:
            head |= row.value == QLatin1String("OL") ? kValueOver : kValueText;
            break;
        case stored::LevelKind::UnderRange:
            head |= row.value == QLatin1String("----") ? kValueUnder : kValueText;
            break;
        case stored::LevelKind::Missing:
            head |= row.value.isEmpty() ? kValueEmpty : kValueText;
            break;
        case stored::LevelKind::NotLevel:
            head |= kValueText;
            break;
        }
        out.append(static_cast<char>(head));
        if (head & kRawNumber) {
            putText(out, row.number);
        } else {
            putSigned(out, number - (prevNumber + 1));
            prevNumber = number;
        }
        if (head & kRawStamp) {
            putText(out, row.date);
            putText(out, row.time);
        } else {
            putSigned(out, *row.stamp - prevStamp);
            prevStamp = *row.stamp;
        }
        const quint8 value = head & kValueMask;
        if (value == kValueLevel) {
            putSigned(out, tenths - prevTenths);
            prevTenths = tenths;
        } else if (value == kValueText) {
            putText(out, row.value);
        }
    }
    QByteArray blob(1, kFormat);
    blob.append(qCompress(out, 6));
    return blob;
}

std::optional<std::vector<stored::LevelRow>> unpackRows(const QByteArray& blob) {
    if (blob.isEmpty() || blob[0] != kFormat)
        return std::nullopt;
    const QByteArray in =
        qUncompress(reinterpret_cast<const uchar*>(blob.constData() + 1), blob.size() - 1);
    Reader r{in};
    const quint64 count = r.varint();
    if (r.bad || count > static_cast<quint64>(in.size()))
        return std::nullopt;
    std::vector<stored::LevelRow> rows;
    rows.reserve(count);
    qint64 prevNumber = 0;
    qint64 prevStamp = 0;
    qint64 prevTenths = 0;
    qint64 day = -1;
    QString dayText;
    for (quint64 i = 0; i < count && !r.bad; ++i) {
        if (r.at >= in.size())
            return std::nullopt;
        const auto head = static_cast<quint8>(in[r.at++]);
        stored::LevelRow row;
        if (head & kRawNumber) {
            row.number = r.text();
        } else {
            prevNumber += 1 + r.signedVarint();
            row.number = QString::number(prevNumber);
        }
        if (head & kRawStamp) {
            row.date = r.text();
            row.time = r.text();
            row.stamp = stored::parseStamp(row.date, row.time);
        } else {
            prevStamp += r.signedVarint();
            row.stamp = prevStamp;
            if (prevStamp / stored::kTenthsPerDay != day) {
                day = prevStamp / stored::kTenthsPerDay;
                dayText = stored::stampDateText(prevStamp);
            }
            row.date = dayText;
            row.time = stored::stampTimeText(prevStamp);
            if (head & kShortTime)
                row.time.truncate(8);
        }
        switch (head & kValueMask) {
        case kValueLevel:
            prevTenths += r.signedVarint();
            row.value = levelText(prevTenths);
            row.level = {stored::LevelKind::Level, static_cast<double>(prevTenths) / 10.0};
            break;
        case kValueOver:
            row.value = QStringLiteral("OL");
            row.level = stored::parseLevel(row.value);
            break;
        case kValueUnder:
            row.value = QStringLiteral("----");
            row.level = stored::parseLevel(row.value);
            break;
        case kValueEmpty:
            row.level = {stored::LevelKind::Missing, 0.0};
            break;
        case kValueText:
            row.value = r.text();
            row.level = stored::parseLevel(row.value);
            break;
        default:
            return std::nullopt;
        }
        rows.push_back(std::move(row));
    }
    if (r.bad)
        return std::nullopt;
    return rows;
}

} // namespace nd::archive
