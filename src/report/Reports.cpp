#include "Reports.h"

#include "ChartData.h"
#include "PdfPages.h"
#include "Summary.h"
#include "stored/HistogramCounts.h"

#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace nd::report {

namespace {

const QColor kReached(200, 40, 40);
const QColor kNotReached(40, 150, 70);
const QColor kInk(40, 70, 110);

double P(double points) {
    return PdfPages::pt(points);
}

QString orNotRecorded(const QString& text) {
    return text.trimmed().isEmpty() ? QStringLiteral("not recorded") : text;
}

QString dB(double v) {
    return QString::number(v, 'f', 1);
}

QString madeText(const ReportOptions& o) {
    const QDateTime made = o.made.isValid() ? o.made : QDateTime::currentDateTime();
    return made.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

QString standardText(const stored::Standard& s) {
    QString text = QStringLiteral("%1: criterion %2 dB, exchange %3 dB, ")
                       .arg(s.name)
                       .arg(s.criterion, 0, 'g', 4)
                       .arg(s.exchange, 0, 'g', 3);
    return text + (s.threshold ? QStringLiteral("threshold %1 dB").arg(*s.threshold, 0, 'g', 4)
                               : QStringLiteral("no threshold"));
}

QString settingsText(const MeterSettings& s) {
    QStringList parts;
    if (s.criterion)
        parts << QStringLiteral("criterion %1 dB").arg(*s.criterion, 0, 'g', 4);
    if (s.exchange)
        parts << QStringLiteral("exchange %1 dB").arg(*s.exchange, 0, 'g', 3);
    if (s.threshold)
        parts << QStringLiteral("threshold %1 dB").arg(*s.threshold, 0, 'g', 4);
    if (!s.weighting.isEmpty())
        parts << QStringLiteral("%1 response").arg(s.weighting);
    return parts.isEmpty() ? QStringLiteral("not recorded") : parts.join(QStringLiteral(", "));
}

/// "ann.dat", or "ann.dat (archive 12)" for a measurement of the archive.
QString sourceText(const Measurement& m) {
    return m.archiveId ? QStringLiteral("%1 (archive %2)").arg(m.source).arg(m.archiveId)
                       : m.source;
}

/// The file's SHA-256; for an archive measurement the archive's hash of its content,
/// shortened to 128 bits so the line keeps clear of the version.
Footer footerOf(const Measurement& m) {
    QString left = QStringLiteral("Source: not saved to a file");
    if (m.archiveId)
        left = QStringLiteral("Source: %1   content hash %2")
                   .arg(sourceText(m), m.contentHash.left(32));
    else if (!m.source.isEmpty())
        left = QStringLiteral("Source: %1   SHA-256 %2").arg(m.source, m.contentHash);
    return {left, programVersion()};
}

std::vector<Cell> thresholdCells(const ThresholdLine& line) {
    return {Cell(line.name, {}, true), line.valueText, line.measuredText,
            line.measured
                ? Cell(line.reached ? QStringLiteral("reached") : QStringLiteral("not reached"),
                       line.reached ? kReached : kNotReached, line.reached)
                : Cell(QStringLiteral("no verdict"))};
}

// ------------------------------------------------------------------ charts

/// A "nice" step for about `ticks` divisions of `range`.
double niceStep(double range, double ticks, const std::vector<double>& steps) {
    for (double s : steps) {
        if (range / s <= ticks)
            return s;
    }
    return steps.back();
}

struct Frame {
    QRectF plot; // in device units
    double x0, x1, y0, y1;
    double x(double v) const { return plot.left() + (v - x0) / (x1 - x0) * plot.width(); }
    double y(double v) const { return plot.bottom() - (v - y0) / (y1 - y0) * plot.height(); }
};

/// Draws the axes, grid and labels; the time axis in clock time from `start`.
Frame drawFrame(QPainter& p, const QRectF& box, double x0, double x1, double y0, double y1,
                double yStep, const QString& yUnit, const std::optional<stored::StampTenths>& start,
                bool timeAxis, double xStep = 1.0) {
    Frame f{QRectF(P(box.left() + 36), P(box.top() + 6), P(box.width() - 36 - 92),
                   P(box.height() - 6 - 18)),
            x0, x1, y0, y1};
    p.setFont(PdfPages::font(7));
    p.setPen(QPen(QColor(215, 215, 215), P(0.4)));
    for (double v = y0; v <= y1 + 1e-9; v += yStep)
        p.drawLine(QPointF(f.plot.left(), f.y(v)), QPointF(f.plot.right(), f.y(v)));
    p.setPen(Qt::black);
    for (double v = y0; v <= y1 + 1e-9; v += yStep)
        p.drawText(QRectF(f.plot.left() - P(34), f.y(v) - P(5), P(31), P(10)),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(v, 'g', 4));
    p.save();
    p.translate(f.plot.left() - P(34), f.plot.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-P(40), -P(10), P(80), P(9)), Qt::AlignCenter, yUnit);
    p.restore();

    if (timeAxis) {
        const double step =
            niceStep(x1 - x0, 8, {60, 300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400});
        const double startOfDay =
            start ? static_cast<double>(*start % stored::kTenthsPerDay) / 10.0 : 0.0;
        const double first = std::ceil((startOfDay + x0) / step) * step - startOfDay;
        for (double v = first; v <= x1 + 1e-9; v += step) {
            p.setPen(QPen(QColor(215, 215, 215), P(0.4)));
            p.drawLine(QPointF(f.x(v), f.plot.top()), QPointF(f.x(v), f.plot.bottom()));
            const auto secs = static_cast<long long>(std::llround(startOfDay + v)) % 86400;
            p.setPen(Qt::black);
            p.drawText(QRectF(f.x(v) - P(20), f.plot.bottom() + P(2), P(40), P(10)),
                       Qt::AlignCenter,
                       QStringLiteral("%1:%2")
                           .arg(secs / 3600, 2, 10, QLatin1Char('0'))
                           .arg(secs / 60 % 60, 2, 10, QLatin1Char('0')));
        }
    } else {
        for (double v = std::ceil(x0 / xStep) * xStep; v <= x1 + 1e-9; v += xStep) {
            p.setPen(Qt::black);
            p.drawText(QRectF(f.x(v) - P(15), f.plot.bottom() + P(2), P(30), P(10)),
                       Qt::AlignCenter, QString::number(v, 'g', 4));
        }
    }
    p.setPen(QPen(Qt::black, P(0.6)));
    p.setBrush(Qt::NoBrush);
    p.drawRect(f.plot);
    return f;
}

/// A labelled horizontal line across the plot, its label in the right margin.
void levelLine(QPainter& p, const Frame& f, double v, const QString& label, QColor colour) {
    if (v < f.y0 || v > f.y1)
        return;
    QPen pen(colour, P(0.8), Qt::DashLine);
    p.setPen(pen);
    p.drawLine(QPointF(f.plot.left(), f.y(v)), QPointF(f.plot.right(), f.y(v)));
    p.setFont(PdfPages::font(6.5));
    p.drawText(QRectF(f.plot.right() + P(3), f.y(v) - P(8), P(89), P(16)),
               Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, label);
}

struct Marker {
    double level;
    QString label;
    QColor colour;
};

void drawLevelChart(QPainter& p, const QRectF& box, const ChartSeries& s,
                    const std::vector<Marker>& markers) {
    double lo = 200.0;
    double hi = 0.0;
    for (const MinuteBin& b : s.minutes) {
        lo = std::min(lo, b.lmin);
        hi = std::max(hi, b.lmax);
    }
    for (const Marker& m : markers) {
        lo = std::min(lo, m.level);
        hi = std::max(hi, m.level);
    }
    const double y0 = std::floor((lo - 3) / 10.0) * 10.0;
    const double y1 = std::ceil((hi + 3) / 10.0) * 10.0;
    const Frame f =
        drawFrame(p, box, 0.0, std::max(60.0, s.span), y0, y1, niceStep(y1 - y0, 8, {5, 10, 20}),
                  QStringLiteral("dB(A)"), s.start, true);
    p.save();
    p.setClipRect(f.plot);
    // The min/max band and the 1-minute LAeq, broken where minutes are missing.
    std::size_t i = 0;
    while (i < s.minutes.size()) {
        std::size_t j = i + 1;
        while (j < s.minutes.size() && s.minutes[j].from - s.minutes[j - 1].to < 1.0)
            ++j;
        QPainterPath band;
        QPainterPath line;
        for (std::size_t k = i; k < j; ++k) {
            const MinuteBin& b = s.minutes[k];
            const QPointF top1(f.x(b.from), f.y(b.lmax));
            const QPointF top2(f.x(b.to), f.y(b.lmax));
            if (k == i)
                band.moveTo(top1);
            else
                band.lineTo(top1);
            band.lineTo(top2);
            const QPointF mid(f.x((b.from + b.to) / 2), f.y(b.laeq));
            if (k == i)
                line.moveTo(mid);
            else
                line.lineTo(mid);
        }
        for (std::size_t k = j; k-- > i;) {
            const MinuteBin& b = s.minutes[k];
            band.lineTo(f.x(b.to), f.y(b.lmin));
            band.lineTo(f.x(b.from), f.y(b.lmin));
        }
        band.closeSubpath();
        p.fillPath(band, QColor(150, 180, 215, 150));
        p.strokePath(line, QPen(kInk, P(0.9)));
        i = j;
    }
    p.restore();
    for (const Marker& m : markers)
        levelLine(p, f, m.level, m.label, m.colour);
    p.setFont(PdfPages::font(6.5));
    p.setPen(Qt::darkGray);
    p.drawText(QRectF(f.plot.left(), P(box.bottom() - 8), f.plot.width(), P(9)),
               Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("line: 1-minute LAeq; band: lowest to highest level in the minute"));
}

void drawDoseChart(QPainter& p, const QRectF& box, const ChartSeries& s) {
    double top = 100.0;
    for (const auto& d : s.dose)
        top = std::max(top, d.second);
    const double step = niceStep(
        top * 1.05, 6,
        {10, 20, 25, 50, 100, 200, 250, 500, 1000, 2500, 5000, 10000, 25000, 50000, 100000});
    const double y1 = std::ceil(top * 1.05 / step) * step;
    const Frame f = drawFrame(p, box, 0.0, std::max(60.0, s.span), 0.0, y1, step,
                              QStringLiteral("dose %"), s.start, true);
    QPainterPath path;
    for (std::size_t i = 0; i < s.dose.size(); ++i) {
        const QPointF point(f.x(s.dose[i].first), f.y(s.dose[i].second));
        if (i == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    p.strokePath(path, QPen(kInk, P(1.0)));
    levelLine(p, f, 100.0, QStringLiteral("100 %"), kReached);
}

void drawHistogram(QPainter& p, const QRectF& box, const stored::HistogramCounts& counts) {
    const auto bounds = counts.bounds();
    if (!bounds || counts.counted == 0)
        return;
    const double total = static_cast<double>(counts.counted);
    const double peak = 100.0 * static_cast<double>(counts.maxCount()) / total;
    const double step = niceStep(peak * 1.1, 5, {1, 2, 5, 10, 20, 25, 50});
    const double y1 = std::ceil(peak * 1.1 / step) * step;
    const double x0 = bounds->low - 1;
    const double x1 = bounds->high + 2;
    const Frame f = drawFrame(p, box, x0, x1, 0.0, y1, step, QStringLiteral("% of samples"),
                              std::nullopt, false, niceStep(x1 - x0, 12, {1, 2, 5, 10, 20}));
    for (int k = bounds->low; k <= bounds->high; ++k) {
        const auto n = counts.bins[static_cast<std::size_t>(k)];
        if (n == 0)
            continue;
        const double v = 100.0 * static_cast<double>(n) / total;
        p.fillRect(QRectF(QPointF(f.x(k) + P(0.3), f.y(v)), QPointF(f.x(k + 1) - P(0.3), f.y(0))),
                   QColor(90, 125, 170));
    }
    p.setFont(PdfPages::font(7));
    p.setPen(Qt::black);
    p.drawText(QRectF(f.plot.left(), P(box.bottom() - 8), f.plot.width(), P(9)),
               Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("level, dB(A), 1 dB bins"));
}

std::vector<Marker> markersFor(const stored::Standard& s, Regulation r) {
    std::vector<Marker> m{
        {s.criterion, QStringLiteral("criterion %1").arg(s.criterion), QColor(120, 60, 150)}};
    if (s.threshold)
        m.push_back({*s.threshold, QStringLiteral("threshold %1").arg(*s.threshold),
                     QColor(110, 110, 110)});
    if (r == Regulation::Eu) {
        m.push_back({80, QStringLiteral("lower action 80"), QColor(200, 140, 0)});
        m.push_back({85, QStringLiteral("upper action 85"), QColor(220, 90, 0)});
        m.push_back({87, QStringLiteral("limit 87"), kReached});
    } else {
        m.push_back({85, QStringLiteral("action level 85"), QColor(220, 90, 0)});
        m.push_back({90, QStringLiteral("PEL 90"), kReached});
    }
    // Lines at the same level share one label.
    std::vector<Marker> merged;
    for (const Marker& x : m) {
        auto same = std::find_if(merged.begin(), merged.end(), [&](const Marker& y) {
            return std::abs(y.level - x.level) < 0.5;
        });
        if (same == merged.end())
            merged.push_back(x);
        else
            same->label += QStringLiteral(" / ") + x.label;
    }
    return merged;
}

/// "2026-03-02 07:00:00", with the tenths only when there are some.
QString stampText(stored::StampTenths stamp, bool withDate) {
    const QDateTime t = stored::stampDateTime(stamp);
    QString text =
        t.toString(withDate ? QStringLiteral("yyyy-MM-dd HH:mm:ss") : QStringLiteral("HH:mm:ss"));
    if (stamp % 10)
        text += QStringLiteral(".%1").arg(stamp % 10);
    return text;
}

QString dateRange(const stored::LevelList& list) {
    const auto range = stored::stampRange(list);
    if (!range)
        return QStringLiteral("not known");
    const auto [first, last] = *range;
    const bool sameDay = first / stored::kTenthsPerDay == last / stored::kTenthsPerDay;
    return QStringLiteral("%1 to %2").arg(stampText(first, true), stampText(last, !sameDay));
}

void notesAndSignature(PdfPages& pages, const QString& notes) {
    pages.heading(QStringLiteral("Notes"));
    if (notes.trimmed().isEmpty())
        pages.skip(24);
    else
        pages.paragraph(notes, 9);
    pages.signatureLines(
        {QStringLiteral("Measured by"), QStringLiteral("Date"), QStringLiteral("Signature")});
}

} // namespace

QString programVersion() {
    return QStringLiteral("NoiseDesk %1").arg(QStringLiteral(NOISEDESK_VERSION));
}

QByteArray measurementReportPdf(const Measurement& m, const ReportOptions& o) {
    const stored::Exposure e = stored::computeExposure(m.list, o.standard);
    Verdict verdict = judge(m.list, o.regulation);
    const CalibrationCheck cal = calibrationCheck(m.calibrationBefore, m.calibrationAfter);
    if (!cal.fit)
        verdict.limits.prepend(QStringLiteral("The calibration drifted %1 dB (over 0.5 dB): the "
                                              "measurement is unfit for an assessment.")
                                   .arg(dB(*cal.drift)));
    const ChartSeries series = chartSeries(m.list, e);
    const stored::HistogramCounts counts = stored::countLevels(m.list, stored::Resolution::OneDb);

    const auto layout = [&](PdfPages& pages) {
        pages.title(QStringLiteral("Noise exposure report"),
                    QStringLiteral("%1   made %2").arg(regulationName(o.regulation), madeText(o)));
        pages.heading(QStringLiteral("Measurement"));
        pages.keyValues({
            {QStringLiteral("Worker"), orNotRecorded(m.worker)},
            {QStringLiteral("Task"), orNotRecorded(m.task)},
            {QStringLiteral("Location"), orNotRecorded(m.location)},
            {QStringLiteral("Date"), dateRange(m.list)},
            {QStringLiteral("Measured duration"),
             e.timed ? stored::durationText(e.durationSeconds) : QStringLiteral("not known")},
            {QStringLiteral("Meter ID"), orNotRecorded(m.meterId)},
            {QStringLiteral("Meter settings"), settingsText(m.settings)},
            {QStringLiteral("Standard for dose"), standardText(o.standard)},
            {QStringLiteral("Source"), orNotRecorded(sourceText(m))},
        });

        pages.heading(QStringLiteral("Field calibration check"));
        const auto reading = [](const std::optional<double>& v) {
            return v ? QStringLiteral("%1 dB").arg(dB(*v)) : QStringLiteral("not recorded");
        };
        pages.keyValues(
            {{QStringLiteral("Before"), reading(cal.before)},
             {QStringLiteral("After"), reading(cal.after)},
             {QStringLiteral("Drift"), cal.drift ? QStringLiteral("%1 dB").arg(dB(*cal.drift))
                                                 : QStringLiteral("not known")}},
            3);
        pages.paragraph(cal.text, 9, !cal.fit, cal.fit ? Qt::black : kReached);

        pages.heading(QStringLiteral("Figures"));
        std::vector<std::pair<QString, QString>> figures;
        for (const auto& row : stored::exposureRows(e)) {
            if (row.first != QLatin1String("Standard"))
                figures.push_back(row);
        }
        figures.push_back(
            {QStringLiteral("Missing samples"), QString::number(missingSamples(m.list))});
        figures.push_back(
            {QStringLiteral("Clamped"), QStringLiteral("%1 over range, %2 under range")
                                            .arg(e.clampedOver)
                                            .arg(e.clampedUnder)});
        figures.push_back(
            {QStringLiteral("Gaps"),
             e.gaps ? QStringLiteral("%1 (%2)").arg(e.gaps).arg(stored::durationText(e.gapSeconds))
                    : QStringLiteral("0")});
        pages.keyValues(figures);
        for (const QString& remark : stored::exposureRemarks(e))
            pages.paragraph(remark, 8, false, QColor(90, 90, 90));

        pages.heading(QStringLiteral("Verdict against %1").arg(regulationName(o.regulation)));
        std::vector<std::vector<Cell>> rows;
        for (const ThresholdLine& line : verdict.lines)
            rows.push_back(thresholdCells(line));
        pages.table({{QStringLiteral("Threshold"), 2.2},
                     {QStringLiteral("Value"), 1.6},
                     {QStringLiteral("Measured"), 1.8},
                     {QStringLiteral("Result"), 1.1}},
                    rows, 9);
        pages.paragraph(QStringLiteral("Result: %1.").arg(verdict.summary()), 10, true);
        if (!verdict.limits.isEmpty()) {
            pages.paragraph(QStringLiteral("The data cannot support a verdict as they stand:"), 9,
                            true, kReached);
            for (const QString& limit : verdict.limits)
                pages.paragraph(QStringLiteral("\u2022 ") + limit, 9);
        }
        for (const QString& note : verdict.notes)
            pages.paragraph(note, 7.5, false, QColor(90, 90, 90));

        pages.newPage();
        if (!series.minutes.empty()) {
            pages.heading(QStringLiteral("Level over time"));
            pages.block(190, [&](QPainter& p, QRectF box) {
                drawLevelChart(p, box, series, markersFor(o.standard, o.regulation));
            });
            pages.heading(QStringLiteral("Cumulative dose (%1)").arg(o.standard.name));
            pages.block(110, [&](QPainter& p, QRectF box) { drawDoseChart(p, box, series); });
            pages.heading(QStringLiteral("Level distribution"));
            pages.block(110, [&](QPainter& p, QRectF box) { drawHistogram(p, box, counts); });
        } else {
            pages.paragraph(QStringLiteral("No stamped level to draw."));
        }
        if (!m.bankFields.isEmpty()) {
            pages.heading(QStringLiteral("Event bank"));
            std::vector<std::pair<QString, QString>> fields(m.bankFields.begin(),
                                                            m.bankFields.end());
            pages.keyValues(fields);
        }
        QStringList notes;
        if (!m.notes.trimmed().isEmpty())
            notes << m.notes.trimmed();
        for (const QString& note : m.list.notes) {
            if (!note.trimmed().isEmpty())
                notes << note.trimmed();
        }
        notesAndSignature(pages, notes.join('\n'));
    };
    return PdfPages::render(o.paper, QStringLiteral("Noise exposure report"), footerOf(m), layout);
}

QByteArray summaryReportPdf(const std::vector<Measurement>& measurements, const ReportOptions& o) {
    const Summary s = summarize(measurements, o.regulation, o.standard);
    const auto layout = [&](PdfPages& pages) {
        pages.title(QStringLiteral("Noise exposure summary"),
                    QStringLiteral("%1   made %2").arg(regulationName(o.regulation), madeText(o)));
        pages.paragraph(QStringLiteral("%1 measurements. Dose and TWA under %2.")
                            .arg(s.rows.size())
                            .arg(standardText(o.standard)));
        std::vector<std::vector<Cell>> rows;
        for (const SummaryRow& r : s.rows) {
            const auto& e = r.exposure;
            const bool reached = std::any_of(r.verdict.lines.begin(), r.verdict.lines.end(),
                                             [](const ThresholdLine& l) { return l.reached; });
            rows.push_back(
                {r.date.isValid() ? r.date.toString(Qt::ISODate) : QStringLiteral("-"),
                 r.worker.isEmpty() ? QStringLiteral("-") : r.worker,
                 r.task.isEmpty() ? QStringLiteral("-") : r.task,
                 e.hasLevels() ? dB(e.laeq) : QStringLiteral("-"),
                 e.lex8h ? dB(*e.lex8h) : QStringLiteral("-"),
                 e.timed ? QString::number(e.dosePercent, 'f', 1) : QStringLiteral("-"),
                 e.twa ? dB(*e.twa) : QStringLiteral("-"),
                 Cell(r.verdict.summary() +
                          (r.verdict.limits.isEmpty() ? QString() : QStringLiteral(" *")),
                      reached ? kReached : kNotReached)});
        }
        pages.table({{QStringLiteral("Date"), 1.25},
                     {QStringLiteral("Worker"), 1.3},
                     {QStringLiteral("Task"), 1.3},
                     {QStringLiteral("LAeq dB"), 0.8, Qt::AlignRight},
                     {QStringLiteral("LEX,8h dB"), 0.85, Qt::AlignRight},
                     {QStringLiteral("Dose %"), 0.85, Qt::AlignRight},
                     {QStringLiteral("TWA dB"), 0.8, Qt::AlignRight},
                     {QStringLiteral("Verdict"), 2.4}},
                    rows, 8);
        const bool limited = std::any_of(s.rows.begin(), s.rows.end(), [](const SummaryRow& r) {
            return !r.verdict.limits.isEmpty();
        });
        if (limited)
            pages.paragraph(
                QStringLiteral("* the data cannot support the verdict as they stand "
                               "(part of the shift, missing or over-range samples); see "
                               "the measurement's own report."),
                7.5, false, QColor(90, 90, 90));
        pages.heading(QStringLiteral("Weekly exposure"));
        pages.paragraph(QStringLiteral("L_EX,w = 10 lg(1/5 \u00b7 \u03a3 10^(0.1 \u00b7 "
                                       "L_EX,8h,d)) over the days present; measurements of one "
                                       "worker on one day add up as parts of that day."),
                        8);
        std::vector<std::vector<Cell>> weeks;
        for (const WorkerWeek& w : s.weeks)
            weeks.push_back({w.worker.isEmpty() ? QStringLiteral("(no worker)") : w.worker,
                             QString::number(w.days),
                             w.lexWeekly ? QStringLiteral("%1 dB(A)").arg(dB(*w.lexWeekly))
                                         : QStringLiteral("-")});
        pages.table({{QStringLiteral("Worker"), 2},
                     {QStringLiteral("Days"), 1, Qt::AlignRight},
                     {QStringLiteral("L_EX,w"), 1.2, Qt::AlignRight}},
                    weeks, 9);
        pages.signatureLines(
            {QStringLiteral("Checked by"), QStringLiteral("Date"), QStringLiteral("Signature")});
    };
    return PdfPages::render(
        o.paper, QStringLiteral("Noise exposure summary"),
        {QStringLiteral("Summary of %1 measurements").arg(s.rows.size()), programVersion()},
        layout);
}

QByteArray assessmentReportPdf(const PlanAssessment& a, const ReportOptions& o) {
    const AssessmentResult& r = a.result;
    const auto layout = [&](PdfPages& pages) {
        pages.title(QStringLiteral("Noise exposure assessment"),
                    QStringLiteral("ISO 9612:2009, task-based   made %1").arg(madeText(o)));
        pages.keyValues({
            {QStringLiteral("Worker"), orNotRecorded(a.plan.worker)},
            {QStringLiteral("Working day"), QStringLiteral("%1 h").arg(a.plan.dayHours)},
            {QStringLiteral("Instrument"),
             QStringLiteral("%1 (u2 = %2 dB)")
                 .arg(a.plan.instrument == InstrumentClass::Class1
                          ? QStringLiteral("class 1")
                          : QStringLiteral("class 2 or personal sound exposure meter"))
                 .arg(instrumentUncertainty(a.plan.instrument))},
            {QStringLiteral("Microphone position"),
             QStringLiteral("u3 = %1 dB").arg(kPositionUncertainty)},
        });

        pages.heading(QStringLiteral("Result"));
        pages.paragraph(QStringLiteral("LEX,8h = %1 dB(A) \u00b1 %2 dB").arg(dB(r.lex8h), dB(r.U)),
                        15, true, kInk);
        pages.paragraph(QStringLiteral("Combined standard uncertainty u = %1 dB; expanded "
                                       "uncertainty U = 1.65 u = %2 dB (one-sided, 95 %); "
                                       "without the uncertainty of the durations U = %3 dB.")
                            .arg(dB(r.u), dB(r.U), dB(r.UWithoutHours)),
                        9);

        pages.heading(QStringLiteral("Tasks"));
        std::vector<std::vector<Cell>> tasks;
        for (const TaskResult& t : r.tasks)
            tasks.push_back({Cell(t.name, {}, true), QString::number(t.hours, 'g', 4),
                             QString::number(t.hoursUncertainty, 'g', 3),
                             QString::number(t.measurements), dB(t.laeq), dB(t.u1a), dB(t.lex8h),
                             QStringLiteral("%1 %").arg(t.contributionPercent, 0, 'f', 1)});
        pages.table({{QStringLiteral("Task"), 2.2},
                     {QStringLiteral("T_m h"), 0.8, Qt::AlignRight},
                     {QStringLiteral("u_1b h"), 0.8, Qt::AlignRight},
                     {QStringLiteral("Meas."), 0.7, Qt::AlignRight},
                     {QStringLiteral("L_p,A,eqT,m dB"), 1.2, Qt::AlignRight},
                     {QStringLiteral("u_1a dB"), 0.9, Qt::AlignRight},
                     {QStringLiteral("L_EX,8h,m dB"), 1.2, Qt::AlignRight},
                     {QStringLiteral("Share"), 0.9, Qt::AlignRight}},
                    tasks, 8.5);

        pages.heading(QStringLiteral("Against %1").arg(regulationName(Regulation::Eu)));
        const auto plain = euThresholds(r.lex8h);
        const auto cautious = euThresholds(r.lex8h + r.U);
        std::vector<std::vector<Cell>> rows;
        const auto mark = [](const ThresholdLine& l) {
            return Cell(l.reached ? QStringLiteral("reached") : QStringLiteral("not reached"),
                        l.reached ? kReached : kNotReached, l.reached);
        };
        for (std::size_t i = 0; i < plain.size(); ++i)
            rows.push_back({Cell(plain[i].name, {}, true), plain[i].valueText, mark(plain[i]),
                            mark(cautious[i])});
        pages.table({{QStringLiteral("Threshold"), 2.2},
                     {QStringLiteral("Value"), 1.5},
                     {QStringLiteral("LEX,8h %1 dB(A)").arg(dB(r.lex8h)), 1.5},
                     {QStringLiteral("LEX,8h + U %1 dB(A)").arg(dB(r.lex8h + r.U)), 1.5}},
                    rows, 9);
        pages.paragraph(QStringLiteral("LEX,8h + U is the cautious reading: a value counts as "
                                       "reached when it may be, given the uncertainty."),
                        8, false, QColor(90, 90, 90));

        if (!r.warnings.isEmpty()) {
            pages.heading(QStringLiteral("Warnings"));
            for (const QString& w : r.warnings)
                pages.paragraph(QStringLiteral("\u2022 ") + w, 9, false, kReached);
        }

        pages.heading(QStringLiteral("Measurements"));
        std::vector<std::vector<Cell>> uses;
        for (std::size_t t = 0; t < a.uses.size(); ++t) {
            for (const MeasurementUse& u : a.uses[t])
                uses.push_back({a.plan.tasks[t].name,
                                isArchiveReference(u.reference)
                                    ? QStringLiteral("archive %1 (%2)")
                                          .arg(archiveNumber(u.reference))
                                          .arg(u.source)
                                    : u.reference,
                                u.contentHash.left(16), dB(u.laeq),
                                u.refused.isEmpty()
                                    ? QStringLiteral("used")
                                    : Cell(QStringLiteral("left out: ") + u.refused, kReached)});
        }
        pages.table({{QStringLiteral("Task"), 1.4},
                     {QStringLiteral("Measurement"), 2.2},
                     {QStringLiteral("SHA-256 (start)"), 1.6},
                     {QStringLiteral("LAeq dB"), 0.8, Qt::AlignRight},
                     {QStringLiteral("Use"), 1.8}},
                    uses, 8);
        pages.signatureLines(
            {QStringLiteral("Assessed by"), QStringLiteral("Date"), QStringLiteral("Signature")});
    };
    return PdfPages::render(
        o.paper, QStringLiteral("Noise exposure assessment"),
        {QStringLiteral("Task-based assessment of %1 tasks").arg(r.tasks.size()), programVersion()},
        layout);
}

} // namespace nd::report
