#include "Plot.h"

#include "PlotView.h"
#include "dialogs/Dialogs.h"
#include "stored/HistogramCounts.h"

#include <QApplication>
#include <QChart>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace nd::realtime::ui {

namespace {

QDoubleSpinBox* rangeBox(const QString& name, int decimals) {
    auto* box = new QDoubleSpinBox;
    box->setObjectName(name);
    box->setDecimals(decimals);
    box->setRange(-1e7, 1e7);
    box->setKeyboardTracking(false);
    // Wide enough for a day of samples and more ("864000", "140.0") with the arrows.
    box->setMinimumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("8640000")) +
                         box->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 16);
    return box;
}

/// Decimals that tell ticks `step` apart: 0 for whole steps, 2 for 0.05.
int decimalsFor(double step, int least) {
    int decimals = least;
    while (decimals < 6 && std::abs(step * std::pow(10.0, decimals) -
                                    std::round(step * std::pow(10.0, decimals))) > 1e-6)
        ++decimals;
    return decimals;
}

} // namespace

Plot::Plot(dialogs::Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("Plot"));
    setWindowTitle(QStringLiteral("Plot"));
    buildControls();
    setTrackMode(0);
    // 11360 x 8960 twips.
    setMinimumSize(757, 597);
}

Plot* Plot::showList(const stored::LevelList& list, const QString& title, dialogs::Dialogs& dialogs,
                     QWidget* parent) {
    Plot* window =
        parent ? parent->findChild<Plot*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!window) {
        window = new Plot(dialogs, parent);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->plot(list, title);
    window->show();
    window->raise();
    return window;
}

void Plot::buildControls() {
    m_chart = new QChart;
    m_chart->setAnimationOptions(QChart::NoAnimation);
    m_chart->legend()->hide();
    m_series = new QLineSeries;
    m_series->setUseOpenGL(false);
    m_series->setPen(QPen(QColor(0, 0, 160), 1));
    m_chart->addSeries(m_series);
    // Ticks on whole multiples of a step fitted to the shown range, labelled with the
    // decimals the step needs, so no two labels read alike at any zoom (adaptTicks).
    m_axisX = new QValueAxis;
    m_axisX->setLabelFormat(QStringLiteral("%.0f"));
    m_axisX->setTitleText(QStringLiteral("No.s"));
    m_axisX->setTickType(QValueAxis::TicksDynamic);
    m_axisX->setTickAnchor(0.0);
    m_axisY = new QValueAxis;
    m_axisY->setLabelFormat(QStringLiteral("%.1f"));
    m_axisY->setTitleText(QStringLiteral("dB"));
    m_axisY->setTickType(QValueAxis::TicksDynamic);
    m_axisY->setTickAnchor(0.0);
    connect(m_axisX, &QValueAxis::rangeChanged, this, &Plot::adaptTicks);
    connect(m_axisY, &QValueAxis::rangeChanged, this, &Plot::adaptTicks);
    m_chart->addAxis(m_axisX, Qt::AlignBottom);
    m_chart->addAxis(m_axisY, Qt::AlignLeft);
    m_series->attachAxis(m_axisX);
    m_series->attachAxis(m_axisY);
    setAxes({1.0, 2.0}, {kPlotBottom, kPlotTop});
    m_Graph1 = new PlotView(m_chart);
    connect(m_axisX, &QValueAxis::rangeChanged, this, &Plot::refreshSeries);
    connect(m_chart, &QChart::plotAreaChanged, this, &Plot::refreshSeries);
    connect(m_Graph1, &PlotView::cursorMoved, this, &Plot::showCursor);

    m_FrmGraphic = new QGroupBox(QStringLiteral("Graphic Plot"));
    m_FrmGraphic->setObjectName(QStringLiteral("FrmGraphic"));
    m_FrmGraphic->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    auto* column = new QVBoxLayout(m_FrmGraphic);

    auto* ranges = new QGroupBox(QStringLiteral("Graph Range"));
    ranges->setObjectName(QStringLiteral("SSFrame4"));
    auto* grid = new QGridLayout(ranges);
    grid->addWidget(new QLabel(QStringLiteral("Min")), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Max")), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("No.s")), 1, 0);
    grid->addWidget(new QLabel(QStringLiteral("dB")), 2, 0);
    for (int i = 0; i < 2; ++i) {
        m_AxisMin[i] = rangeBox(QStringLiteral("AxisMin%1").arg(i + 1), i == 0 ? 0 : 1);
        m_AxisMax[i] = rangeBox(QStringLiteral("AxisMax%1").arg(i + 1), i == 0 ? 0 : 1);
        grid->addWidget(m_AxisMin[i], i + 1, 1);
        grid->addWidget(m_AxisMax[i], i + 1, 2);
        connect(m_AxisMin[i], &QDoubleSpinBox::valueChanged, this, &Plot::applyBoxes);
        connect(m_AxisMax[i], &QDoubleSpinBox::valueChanged, this, &Plot::applyBoxes);
    }
    column->addWidget(ranges);

    auto* track = new QGroupBox(QStringLiteral("Track Mode"));
    track->setObjectName(QStringLiteral("SSFrame3"));
    auto* trackLayout = new QVBoxLayout(track);
    m_Combo1 = new QComboBox;
    m_Combo1->setObjectName(QStringLiteral("Combo1"));
    for (const TrackModeInfo& mode : trackModes())
        m_Combo1->addItem(mode.item);
    m_txtDescription = new QPlainTextEdit;
    m_txtDescription->setObjectName(QStringLiteral("txtDescription"));
    m_txtDescription->setReadOnly(true);
    m_txtDescription->setMaximumHeight(90);
    trackLayout->addWidget(m_Combo1);
    trackLayout->addWidget(m_txtDescription);
    connect(m_Combo1, &QComboBox::currentIndexChanged, this, &Plot::setTrackMode);
    column->addWidget(track);

    auto* cursor = new QGroupBox(QStringLiteral("Cursor Information"));
    cursor->setObjectName(QStringLiteral("SSFrame2"));
    auto* cursorLayout = new QGridLayout(cursor);
    m_XPosition = new QLabel;
    m_XPosition->setObjectName(QStringLiteral("XPosition"));
    m_YPosition = new QLabel;
    m_YPosition->setObjectName(QStringLiteral("YPosition"));
    m_TimePosition = new QLabel;
    m_TimePosition->setObjectName(QStringLiteral("TimePosition"));
    cursorLayout->addWidget(new QLabel(QStringLiteral("No.s ( X ) :")), 0, 0);
    cursorLayout->addWidget(m_XPosition, 0, 1);
    cursorLayout->addWidget(new QLabel(QStringLiteral("Time :")), 1, 0);
    cursorLayout->addWidget(m_TimePosition, 1, 1);
    cursorLayout->addWidget(new QLabel(QStringLiteral("dB ( Y ) :")), 2, 0);
    cursorLayout->addWidget(m_YPosition, 2, 1);
    column->addWidget(cursor);

    m_CmdReset = new QPushButton(QStringLiteral("Reset Scale"));
    m_CmdReset->setObjectName(QStringLiteral("CmdReset"));
    m_CmdPrint = new QPushButton(QStringLiteral("Print Graph"));
    m_CmdPrint->setObjectName(QStringLiteral("CmdPrint"));
    connect(m_CmdReset, &QPushButton::clicked, this, &Plot::resetScale);
    connect(m_CmdPrint, &QPushButton::clicked, this, &Plot::print);
    column->addWidget(m_CmdReset);
    column->addWidget(m_CmdPrint);
    column->addStretch(1);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_Graph1, 1);
    layout->addWidget(m_FrmGraphic);
}

void Plot::plot(const stored::LevelList& list, const QString& title) {
    m_values = plotLevels(list);
    m_list = list;
    m_chart->setTitle(title);
    const double n = static_cast<double>(m_values.size());
    for (QDoubleSpinBox* box : {m_AxisMin[0], m_AxisMax[0], m_AxisMin[1], m_AxisMax[1]})
        box->blockSignals(true);
    m_AxisMin[0]->setValue(1.0);
    m_AxisMax[0]->setValue(n);
    m_AxisMin[1]->setValue(kPlotBottom);
    m_AxisMax[1]->setValue(kPlotTop);
    for (QDoubleSpinBox* box : {m_AxisMin[0], m_AxisMax[0], m_AxisMin[1], m_AxisMax[1]})
        box->blockSignals(false);
    const AxisRange x = resetXRange(m_values.size());
    m_lastX = x;
    m_lastY = {kPlotBottom, kPlotTop};
    setAxes(x, {kPlotBottom, kPlotTop});
    refreshSeries();
}

void Plot::applyBoxes() {
    // Both axes follow their boxes; a pair whose minimum is not below its maximum keeps
    // the range the axis had.
    const AxisRange x{m_AxisMin[0]->value(), m_AxisMax[0]->value()};
    const AxisRange y{m_AxisMin[1]->value(), m_AxisMax[1]->value()};
    if (x.valid())
        m_lastX = x;
    if (y.valid())
        m_lastY = y;
    setAxes(m_lastX, m_lastY);
    refreshSeries();
}

void Plot::refreshSeries() {
    if (m_refreshing)
        return;
    m_refreshing = true;
    const int columns = std::max(1, static_cast<int>(m_chart->plotArea().width()));
    const std::vector<QPointF> slice = visibleSlice(m_values, xRange(), columns);
    m_series->replace(QList<QPointF>(slice.begin(), slice.end()));
    m_Graph1->placeCursor(m_Graph1->cursorValue()); // it stays on its value, not its pixel
    m_refreshing = false;
}

void Plot::setTrackMode(int index) {
    const auto& modes = trackModes();
    if (index < 0 || index >= static_cast<int>(modes.size()))
        return;
    if (m_Combo1->currentIndex() != index)
        m_Combo1->setCurrentIndex(index); // comes back here through the signal
    const TrackModeInfo& mode = modes[static_cast<std::size_t>(index)];
    m_txtDescription->setPlainText(mode.description);
    m_Graph1->setTrackMode(mode);
    if (mode.cursor) {
        const AxisRange x = xRange();
        const AxisRange y = yRange();
        m_Graph1->placeCursor({(x.min + x.max) / 2.0, (y.min + y.max) / 2.0});
    }
}

void Plot::showCursor(QPointF value) {
    // The sample nearest the cursor: its number, its time and its level as the file has it.
    if (m_list.rows.empty())
        return;
    const auto last = static_cast<long long>(m_list.rows.size());
    const long long number = std::clamp(std::llround(value.x()), 1LL, last);
    const stored::LevelRow& row = m_list.rows[static_cast<std::size_t>(number - 1)];
    m_XPosition->setText(QString::number(number));
    m_TimePosition->setText(row.date + QLatin1Char(' ') + row.time.left(8));
    m_YPosition->setText(row.level.kind == stored::LevelKind::Level
                             ? QString::number(row.level.dB, 'f', 1)
                             : row.value.trimmed());
}

void Plot::setAxes(AxisRange x, AxisRange y) {
    // The ticks first: an axis laid out for a wide range with a narrow range's step would
    // make a label for every row.
    setTicks(x.max - x.min, y.max - y.min);
    m_axisY->setRange(y.min, y.max);
    m_axisX->setRange(x.min, x.max);
}

void Plot::setTicks(double xSpan, double ySpan) {
    // Row numbers step by whole rows; levels down to a hundredth of a dB.
    m_axisX->setTickInterval(stored::tickStep(xSpan, 1.0));
    const double yStep = stored::tickStep(ySpan, 0.01, 8);
    m_axisY->setTickInterval(yStep);
    m_axisY->setLabelFormat(QStringLiteral("%.%1f").arg(decimalsFor(yStep, 1)));
}

void Plot::adaptTicks() {
    setTicks(m_axisX->max() - m_axisX->min(), m_axisY->max() - m_axisY->min());
}

void Plot::resetScale() {
    setAxes(resetXRange(m_values.size()), {kPlotBottom, kPlotTop});
    refreshSeries();
}

AxisRange Plot::xRange() const {
    return {m_axisX->min(), m_axisX->max()};
}

AxisRange Plot::yRange() const {
    return {m_axisY->min(), m_axisY->max()};
}

qsizetype Plot::seriesPoints() const {
    return m_series->count();
}

void Plot::print() {
    auto printer = m_dialogs.print(this);
    if (!printer)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int copies = std::max(1, printer->copyCount());
    printer->setCopyCount(1); // the copies are sent below, once each
    // The graph alone, on white.
    const QBrush background = m_chart->backgroundBrush();
    m_chart->setBackgroundBrush(Qt::white);
    m_FrmGraphic->hide();
    const QImage image = m_Graph1->grab().toImage();
    m_FrmGraphic->show();
    m_chart->setBackgroundBrush(background);
    QPainter p;
    if (p.begin(printer.get())) {
        const QSize fitted = image.size().scaled(p.viewport().size(), Qt::KeepAspectRatio);
        for (int copy = 0; copy < copies; ++copy) {
            if (copy > 0)
                printer->newPage();
            p.drawImage(QRect(QPoint(0, 0), fitted), image);
        }
        p.end();
    } else {
        m_dialogs.message(this, {QStringLiteral("The graph could not be printed."),
                                 dialogs::Buttons::Ok,
                                 dialogs::Icon::Exclamation,
                                 {}});
    }
    QApplication::restoreOverrideCursor();
}

} // namespace nd::realtime::ui
