#include "Plot.h"

#include "PlotView.h"
#include "dialogs/Dialogs.h"

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
#include <QVBoxLayout>
#include <QValueAxis>

#include <cmath>

namespace nd::realtime::ui {

namespace {

QDoubleSpinBox* rangeBox(const QString& name, int decimals) {
    auto* box = new QDoubleSpinBox;
    box->setObjectName(name);
    box->setDecimals(decimals);
    box->setRange(-1e7, 1e7);
    box->setKeyboardTracking(false);
    return box;
}

QString plainNumber(double value) {
    return QString::number(std::round(value * 10.0) / 10.0, 'g', 10);
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
    Plot* window = parent ? parent->findChild<Plot*>(QString(), Qt::FindDirectChildrenOnly)
                          : nullptr;
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
    m_axisX = new QValueAxis;
    m_axisX->setLabelFormat(QStringLiteral("%.0f"));
    m_axisX->setTitleText(QStringLiteral("No.s"));
    m_axisY = new QValueAxis;
    m_axisY->setLabelFormat(QStringLiteral("%.1f"));
    m_axisY->setTickCount(8); // every 10 dB on 70 to 140
    m_axisY->setTitleText(QStringLiteral("dB"));
    m_chart->addAxis(m_axisX, Qt::AlignBottom);
    m_chart->addAxis(m_axisY, Qt::AlignLeft);
    m_series->attachAxis(m_axisX);
    m_series->attachAxis(m_axisY);
    m_axisX->setRange(1.0, 2.0);
    m_axisY->setRange(kPlotBottom, kPlotTop);
    m_Graph1 = new PlotView(m_chart);
    connect(m_axisX, &QValueAxis::rangeChanged, this, &Plot::refreshSeries);
    connect(m_chart, &QChart::plotAreaChanged, this, &Plot::refreshSeries);
    connect(m_Graph1, &PlotView::cursorMoved, this, &Plot::showCursor);

    m_FrmGraphic = new QGroupBox(QStringLiteral("Graphic Plot"));
    m_FrmGraphic->setObjectName(QStringLiteral("FrmGraphic"));
    m_FrmGraphic->setFixedWidth(200);
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
    cursorLayout->addWidget(new QLabel(QStringLiteral("No.s ( X ) :")), 0, 0);
    cursorLayout->addWidget(m_XPosition, 0, 1);
    cursorLayout->addWidget(new QLabel(QStringLiteral("dB ( Y ) :")), 1, 0);
    cursorLayout->addWidget(m_YPosition, 1, 1);
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
    m_axisY->setRange(kPlotBottom, kPlotTop);
    m_axisX->setRange(x.min, x.max);
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
    m_axisY->setRange(m_lastY.min, m_lastY.max);
    m_axisX->setRange(m_lastX.min, m_lastX.max);
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
    m_XPosition->setText(plainNumber(value.x()));
    m_YPosition->setText(QString::number(value.y(), 'f', 3));
}

void Plot::resetScale() {
    const AxisRange x = resetXRange(m_values.size());
    m_axisY->setRange(kPlotBottom, kPlotTop);
    m_axisX->setRange(x.min, x.max);
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
