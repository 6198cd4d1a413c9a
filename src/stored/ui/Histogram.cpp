#include "Histogram.h"

#include "HistogramView.h"
#include "dialogs/Dialogs.h"

#include <QAreaSeries>
#include <QChart>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineSeries>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace nd::stored::ui {

namespace {

/// The one histogram window of the program: a new count replaces it.
QPointer<Histogram>& current() {
    static QPointer<Histogram> window;
    return window;
}

const QStringList kTrackModes = {QStringLiteral("Normal"), QStringLiteral("PanXY"),
                                 QStringLiteral("PanX"),   QStringLiteral("PanY"),
                                 QStringLiteral("ZoomXY"), QStringLiteral("ZoomX"),
                                 QStringLiteral("ZoomY"),  QStringLiteral("Reset")};

/// The track mode is picked from the list only: typed keys and the wheel, which would
/// pick an item (even "Reset") in passing, are ignored.
class PickOnly final : public QObject {
public:
    explicit PickOnly(QComboBox* combo) : QObject(combo) { combo->installEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Wheel)
            return true;
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        // Space, F4 and Alt+Down open the list; everything else is dropped.
        return key != Qt::Key_Space && key != Qt::Key_F4 &&
               !(key == Qt::Key_Down &&
                 static_cast<QKeyEvent*>(event)->modifiers() & Qt::AltModifier);
    }
};

QDoubleSpinBox* limitBox(const QString& name, int decimals) {
    auto* box = new QDoubleSpinBox;
    box->setObjectName(name);
    box->setRange(0, 1e9);
    box->setDecimals(decimals);
    return box;
}

} // namespace

Histogram::Histogram(HistogramCounts counts, dialogs::Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), m_counts(std::move(counts)), m_dialogs(dialogs) {
    const bool oneDb = m_counts.resolution == Resolution::OneDb;
    setObjectName(oneDb ? QStringLiteral("Histogram1") : QStringLiteral("Histogram"));
    setWindowTitle(QStringLiteral("Histogram"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_Toolbar1 = new QToolBar;
    m_Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    QAction* limit = m_Toolbar1->addAction(QStringLiteral("Limit"));
    limit->setObjectName(QStringLiteral("Limit"));
    connect(limit, &QAction::triggered, this, &Histogram::showLimits);
    QAction* print = m_Toolbar1->addAction(QStringLiteral("Print"));
    print->setObjectName(QStringLiteral("Print"));
    connect(print, &QAction::triggered, this, &Histogram::print);
    m_Combo1 = new QComboBox;
    m_Combo1->setObjectName(QStringLiteral("Combo1"));
    m_Combo1->addItems(kTrackModes);
    new PickOnly(m_Combo1);
    m_Toolbar1->addSeparator();
    m_Toolbar1->addWidget(m_Combo1);
    connect(m_Combo1, &QComboBox::activated, this, &Histogram::applyTrackMode);

    m_Picture1 = new QWidget;
    m_Picture1->setObjectName(QStringLiteral("Picture1"));
    // The level boxes read in dB, to the tenth in the 0.1 dB window.
    const int decimals = oneDb ? 0 : 1;
    m_TxtXMin = limitBox(QStringLiteral("TxtXMin"), decimals);
    m_TxtXMax = limitBox(QStringLiteral("TxtXMax"), decimals);
    m_TxtYMax = limitBox(QStringLiteral("TxtYMax"), 0);
    auto* apply = new QPushButton(QStringLiteral("OK"));
    apply->setObjectName(QStringLiteral("CmdLimit"));
    connect(apply, &QPushButton::clicked, this, &Histogram::applyLimits);
    auto* limits = new QHBoxLayout(m_Picture1);
    limits->addWidget(new QLabel(QStringLiteral("dBA from")));
    limits->addWidget(m_TxtXMin);
    limits->addWidget(new QLabel(QStringLiteral("to")));
    limits->addWidget(m_TxtXMax);
    limits->addWidget(new QLabel(QStringLiteral("Frequency up to")));
    limits->addWidget(m_TxtYMax);
    limits->addWidget(apply);
    limits->addStretch(1);
    m_Picture1->hide();

    buildChart();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_Toolbar1);
    layout->addWidget(m_Picture1);
    layout->addWidget(m_Graph, 1);
    // 9600 x 3840 twips
    setMinimumSize(640, 256);
    resize(720, 420);
}

void Histogram::buildChart() {
    // Each bin a step over its width: [k, k + 1) at 1 dB, the level k/10 in the middle of
    // [k - 0.5, k + 0.5) tenths at 0.1 dB. The x axis is in dB in both windows.
    const double left = m_counts.resolution == Resolution::OneDb ? 0.0 : -0.5;
    const double perDb = m_counts.binsPerDb();
    auto* area = new QAreaSeries;
    auto* upper = new QLineSeries(area); // the area series does not own its edge
    QList<QPointF> points;
    points.reserve(2 * static_cast<qsizetype>(m_counts.bins.size()));
    for (int k = 0; k <= m_counts.top(); ++k) {
        const auto count = static_cast<double>(m_counts.bins[static_cast<std::size_t>(k)]);
        points.append({(k + left) / perDb, count});
        points.append({(k + left + 1.0) / perDb, count});
    }
    upper->replace(points);
    area->setUpperSeries(upper);
    area->setName(QStringLiteral("dBA"));
    area->setColor(QColor(0, 90, 170));
    area->setBorderColor(QColor(0, 50, 110));

    m_chart = new QChart;
    m_chart->addSeries(area);
    m_chart->legend()->hide();
    m_axisX = new QValueAxis;
    m_axisX->setTitleText(QStringLiteral("dBA"));
    m_axisX->setLabelFormat(m_counts.resolution == Resolution::OneDb ? QStringLiteral("%.0f")
                                                                     : QStringLiteral("%.1f"));
    // Ticks on whole multiples of their step wherever the view is panned or zoomed to, the
    // step fitted to the shown range (adaptTicks).
    m_axisX->setTickType(QValueAxis::TicksDynamic);
    m_axisX->setTickAnchor(0.0);
    m_axisY = new QValueAxis;
    m_axisY->setTitleText(QStringLiteral("Frequency (Times)"));
    m_axisY->setLabelFormat(QStringLiteral("%.0f"));
    m_axisY->setTickType(QValueAxis::TicksDynamic);
    m_axisY->setTickAnchor(0.0);
    connect(m_axisX, &QValueAxis::rangeChanged, this, &Histogram::adaptTicks);
    connect(m_axisY, &QValueAxis::rangeChanged, this, &Histogram::adaptTicks);
    m_chart->addAxis(m_axisX, Qt::AlignBottom);
    m_chart->addAxis(m_axisY, Qt::AlignLeft);
    area->attachAxis(m_axisX);
    area->attachAxis(m_axisY);

    m_firstView = m_counts.firstView();
    const double most = std::max<double>(1.0, static_cast<double>(m_counts.maxCount()));
    const double countStep = tickStep(most, 1.0);
    m_countMax = std::ceil(most / countStep) * countStep;
    setRanges(m_firstView, m_countMax);
    if (!m_counts.bounds()) {
        m_chart->setTitle(m_counts.counted == 0
                              ? QStringLiteral("No levels to count.")
                              : QStringLiteral("All %1 levels are at 140 dB or above (\"OL\"): "
                                               "nothing to draw between the bounds.")
                                    .arg(m_counts.counted));
    }
    m_Graph = new HistogramView(m_chart);
    m_Graph->setObjectName(QStringLiteral("Graph"));
    m_Graph->setRenderHint(QPainter::Antialiasing, false);
}

Histogram* Histogram::showCounts(HistogramCounts counts, dialogs::Dialogs& dialogs,
                                 QWidget* owner) {
    if (current())
        current()->close();
    auto* window = new Histogram(std::move(counts), dialogs, owner);
    current() = window;
    window->move(0, 0);
    window->show();
    return window;
}

BinRange Histogram::xRange() const {
    const double perDb = m_counts.binsPerDb();
    return {std::round(m_axisX->min() * perDb * 1000.0) / 1000.0,
            std::round(m_axisX->max() * perDb * 1000.0) / 1000.0};
}

double Histogram::yMax() const {
    return m_axisY->max();
}

QString Histogram::message() const {
    return m_chart->title();
}

void Histogram::setRanges(const BinRange& x, double yMax) {
    const double perDb = m_counts.binsPerDb();
    // The ticks first, so no axis is ever laid out with a narrower range's step.
    setTicks((x.to - x.from) / perDb, yMax);
    m_axisX->setRange(x.from / perDb, x.to / perDb);
    m_axisY->setRange(0.0, yMax);
}

void Histogram::setTicks(double xSpan, double ySpan) {
    // Counts are whole; levels step by at least one bin, so two bins still get ticks.
    m_axisX->setTickInterval(tickStep(xSpan, 1.0 / m_counts.binsPerDb()));
    m_axisY->setTickInterval(tickStep(ySpan, 1.0));
}

void Histogram::adaptTicks() {
    setTicks(m_axisX->max() - m_axisX->min(), m_axisY->max() - m_axisY->min());
}

void Histogram::applyTrackMode(int index) {
    if (index < 0 || index > Reset) {
        m_dialogs.message(this, {QStringLiteral("Select a valid TrackMode."),
                                 dialogs::Buttons::Ok,
                                 dialogs::Icon::None,
                                 {}});
        return;
    }
    m_mode = static_cast<TrackMode>(index);
    using Pan = HistogramView::Pan;
    Pan pan = Pan::None;
    auto band = QChartView::NoRubberBand;
    switch (m_mode) {
    case PanXY:
        pan = Pan::XY;
        break;
    case PanX:
        pan = Pan::X;
        break;
    case PanY:
        pan = Pan::Y;
        break;
    case ZoomXY:
        band = QChartView::RectangleRubberBand;
        break;
    case ZoomX:
        band = QChartView::HorizontalRubberBand;
        break;
    case ZoomY:
        band = QChartView::VerticalRubberBand;
        break;
    case Reset:
        setRanges(m_counts.resetView(), m_countMax);
        m_mode = Normal;
        break;
    case Normal:
        break;
    }
    m_Graph->setPan(pan);
    m_Graph->setRubberBand(band);
    m_Combo1->setCurrentIndex(m_mode);
}

void Histogram::showLimits() {
    m_TxtXMin->setValue(m_axisX->min()); // in dB
    m_TxtXMax->setValue(m_axisX->max());
    m_TxtYMax->setValue(m_axisY->max());
    m_Picture1->show();
}

void Histogram::applyLimits() {
    const double perDb = m_counts.binsPerDb();
    if (m_TxtXMax->value() > m_TxtXMin->value() && m_TxtYMax->value() > 0)
        setRanges({m_TxtXMin->value() * perDb, m_TxtXMax->value() * perDb}, m_TxtYMax->value());
    m_Picture1->hide();
}

bool Histogram::print() {
    m_Toolbar1->hide();
    m_Picture1->hide();
    bool printed = false;
    if (auto printer = m_dialogs.print(this)) {
        const int copies = std::max(1, printer->copyCount());
        printer->setCopyCount(1);
        layout()->activate(); // so the picture is taken without the toolbar
        const QPixmap image = grab();
        QPainter painter;
        if (painter.begin(printer.get())) {
            const QRect page = painter.viewport();
            const QSize size = image.size().scaled(page.size(), Qt::KeepAspectRatio);
            printed = true;
            for (int copy = 0; copy < copies && printed; ++copy) {
                if (copy > 0)
                    printed = printer->newPage();
                painter.drawPixmap(QRect(QPoint(0, 0), size), image);
            }
            printed = painter.end() && printed;
        }
    }
    m_Toolbar1->show();
    return printed;
}

} // namespace nd::stored::ui
