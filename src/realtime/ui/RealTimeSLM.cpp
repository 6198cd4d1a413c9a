#include "RealTimeSLM.h"

#include "dialogs/Dialogs.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QToolBar>

#include <cmath>

namespace nd::realtime::ui {

namespace {

const QColor kGridColor(192, 192, 192); // palette index 7
constexpr int kLeft = GraphGeometry::kLeftMargin;

QLineEdit* box(const char* name, const QString& pattern) {
    auto* edit = new QLineEdit;
    edit->setObjectName(QLatin1String(name));
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), edit));
    edit->setMaximumWidth(90);
    return edit;
}

} // namespace

RealTimeSLM::RealTimeSLM(LiveSource live, dialogs::Dialogs& dialogs, QWidget* parent,
                         WindowClock clock)
    : QWidget(parent, Qt::Window), m_live(std::move(live)), m_dialogs(dialogs),
      m_clock(std::move(clock)) {
    setObjectName(QStringLiteral("RealTimeSLM"));
    setWindowTitle(QStringLiteral("Real Time Graph"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_Timer1.setObjectName(QStringLiteral("Timer1"));
    m_Timer1.setSingleShot(true);
    m_Timer1.setTimerType(Qt::PreciseTimer);
    connect(&m_Timer1, &QTimer::timeout, this, &RealTimeSLM::tick);
    buildControls();
    // 5355 x 5865 twips.
    setMinimumSize(357, 391);
    resize(660, 500);
    redraw();
}

void RealTimeSLM::buildControls() {
    m_Toolbar1 = new QToolBar(this);
    m_Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    m_Toolbar1->setIconSize(QSize(20, 20));
    m_limit = m_Toolbar1->addAction(style()->standardIcon(QStyle::SP_FileDialogContentsView),
                                    QStringLiteral("Limit"));
    m_limit->setObjectName(QStringLiteral("Limit"));
    m_limit->setToolTip(QStringLiteral("Limit"));
    m_printAction = m_Toolbar1->addAction(style()->standardIcon(QStyle::SP_FileDialogDetailedView),
                                          QStringLiteral("Print"));
    m_printAction->setObjectName(QStringLiteral("Print"));
    m_printAction->setToolTip(QStringLiteral("Print"));
    m_stopStart = m_Toolbar1->addAction(QStringLiteral("StopStart"));
    m_stopStart->setObjectName(QStringLiteral("StopStart"));
    connect(m_limit, &QAction::triggered, this, &RealTimeSLM::showLimits);
    connect(m_printAction, &QAction::triggered, this, &RealTimeSLM::print);
    connect(m_stopStart, &QAction::triggered, this, &RealTimeSLM::stopStart);
    m_Toolbar1->adjustSize();
    setRunning(true);

    m_PMessage = new QFrame(this);
    m_PMessage->setObjectName(QStringLiteral("PMessage"));
    m_PMessage->setFrameShape(QFrame::Panel);
    m_PMessage->setFrameShadow(QFrame::Raised);
    m_PMessage->setAutoFillBackground(true);
    auto* grid = new QGridLayout(m_PMessage);
    m_TxtCounts = box("TxtCounts", QStringLiteral("[0-9]*"));
    m_TxtMin = box("TxtMin", QStringLiteral("[-0-9.]*"));
    m_TxtMax = box("TxtMax", QStringLiteral("[-0-9.]*"));
    grid->addWidget(new QLabel(QStringLiteral("Max")), 0, 0);
    grid->addWidget(m_TxtMax, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Min")), 1, 0);
    grid->addWidget(m_TxtMin, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Records")), 2, 0);
    grid->addWidget(m_TxtCounts, 2, 1);
    m_CmdOK = new QPushButton(QStringLiteral("OK"));
    m_CmdOK->setObjectName(QStringLiteral("CmdOK"));
    m_CmdCancel = new QPushButton(QStringLiteral("Cancel"));
    m_CmdCancel->setObjectName(QStringLiteral("CmdCancel"));
    grid->addWidget(m_CmdOK, 3, 0);
    grid->addWidget(m_CmdCancel, 3, 1);
    connect(m_CmdOK, &QPushButton::clicked, this, &RealTimeSLM::applyLimits);
    connect(m_CmdCancel, &QPushButton::clicked, this, &RealTimeSLM::cancelLimits);
    connect(m_TxtMax, &QLineEdit::returnPressed, m_TxtMin, qOverload<>(&QWidget::setFocus));
    connect(m_TxtMin, &QLineEdit::returnPressed, m_TxtCounts, qOverload<>(&QWidget::setFocus));
    connect(m_TxtCounts, &QLineEdit::returnPressed, this, &RealTimeSLM::applyLimits);
    m_PMessage->adjustSize();
    m_PMessage->hide();
}

// ---------------------------------------------------------------- drawing

void RealTimeSLM::redraw() {
    m_Timer1.stop();
    m_PMessage->hide();
    m_levelsChanged = false;
    m_geometry = GraphGeometry::forClient(width(), height());
    m_image = QImage(size(), QImage::Format_RGB32);
    // White throughout: the erase ahead and the marks outside the plot area then leave
    // no traces on a grey margin.
    m_image.fill(Qt::white);
    QPainter p(&m_image);
    drawFrame(p);
    p.end();
    m_sweep = Sweep(m_geometry.plotWidth, m_limits.stepX(m_geometry.plotWidth));
    m_prev.reset();
    m_schedule.start(m_clock.monotonic(), kTickSeconds);
    update();
    armTimer();
}

void RealTimeSLM::drawFrame(QPainter& p) {
    const GraphGeometry& g = m_geometry;
    p.setPen(QPen(Qt::black, 2));
    p.drawLine(58, g.baseY + 5, 58, g.topY() - 5);
    p.drawLine(58, g.baseY + 6, kLeft + g.plotWidth + 2, g.baseY + 6);
    p.setPen(QPen(Qt::black, 1));
    for (int i = 0; i <= 16; ++i) {
        const int y = g.baseY - i * g.plotHeight / 16;
        p.drawLine(i % 2 == 0 ? kLeft - 10 : kLeft - 7, y, kLeft - 2, y);
    }
    const QFontMetrics metrics(p.font());
    for (int i = 0; i <= 8; ++i) {
        const QString text = levelLabelText(levelLabelValue(m_limits, i));
        const int y = g.baseY - i * g.plotHeight / 8;
        const int left = 20 - metrics.horizontalAdvance(text) / 4;
        p.drawText(left, y - metrics.height() / 2 + metrics.ascent(), text);
    }
    p.drawText(20, g.topY() - 40 + metrics.ascent(), QStringLiteral("dBA"));
    p.fillRect(QRect(QPoint(kLeft, g.topY()), QPoint(kLeft + g.plotWidth, g.baseY)), Qt::white);
}

void RealTimeSLM::drawGrid(QPainter& p) {
    const GraphGeometry& g = m_geometry;
    p.setPen(QPen(kGridColor, 1, Qt::SolidLine));
    const int middle = g.baseY - g.plotHeight / 2;
    p.drawLine(58, middle, kLeft + g.plotWidth + 2, middle);
    p.setPen(QPen(kGridColor, 1, Qt::DotLine));
    for (int k : {1, 7, 6, 5, 8, 3, 2}) {
        const int y = g.baseY - g.plotHeight * k / 8;
        p.drawLine(kLeft, y, kLeft + g.plotWidth, y);
    }
}

void RealTimeSLM::drawTimeMark(QPainter& p, double x) {
    const GraphGeometry& g = m_geometry;
    const double at = kLeft + x;
    p.setPen(QPen(kGridColor, 1, Qt::DotLine));
    p.drawLine(QPointF(at, g.baseY), QPointF(at, g.topY() - 10));
    const QString label = m_clock.wall().toString(QStringLiteral("hh:mm:ss"));
    const QFontMetrics metrics(p.font());
    const int w = metrics.horizontalAdvance(label);
    // The old label under this mark goes first; labels never pile up.
    p.fillRect(QRectF(at - w / 2.0 - 6, g.baseY + 10, w + 12, metrics.height()), Qt::white);
    p.setPen(Qt::black);
    p.drawText(QPointF(at - 5 - w / 2.0, g.baseY + 10 + metrics.ascent()), label);
}

void RealTimeSLM::tick() {
    const auto due = m_schedule.take(m_clock.monotonic());
    if (!due) {
        armTimer();
        return;
    }
    const LiveSnapshot live = m_live();
    if (!live.dbaMode) {
        setRunning(false);
        close();
        return;
    }
    if (!m_running)
        return;
    const GraphGeometry& g = m_geometry;
    const double step = m_limits.stepX(g.plotWidth);
    QPainter p(&m_image);
    // Slots the timer missed are gaps, so the time across the chart stays true.
    for (int i = 0; i < due->missed; ++i) {
        m_sweep.advance();
        m_prev.reset();
    }
    const double x = m_sweep.advance();
    if (x == 0.0)
        m_prev.reset(); // the wrap is not joined to the right edge
    // Down to and including the row 3 pixels under the bottom, where "----" and levels
    // below the range are drawn.
    p.fillRect(QRectF(QPointF(kLeft + x + 2, g.topY() - 5),
                      QPointF(kLeft + x + 2 + std::max(step, 1.0), g.baseY + 4)),
               Qt::white);
    drawGrid(p);
    if (const auto h = heightFor(live.reading.level, m_limits, g.plotHeight)) {
        const QPointF point(kLeft + x, g.baseY - *h);
        p.setPen(QPen(Qt::black, 1));
        if (m_prev)
            p.drawLine(*m_prev, point);
        m_prev = point;
    } else {
        m_prev.reset(); // a missing sample leaves a gap
    }
    switch (m_sweep.markHere()) {
    case SweepMark::Time:
        drawTimeMark(p, x);
        break;
    case SweepMark::Quarter:
        p.setPen(QPen(kGridColor, 1));
        p.drawLine(QPointF(kLeft + x, g.baseY - g.plotHeight * 4.2 / 8),
                   QPointF(kLeft + x, g.baseY - g.plotHeight * 3.8 / 8));
        break;
    case SweepMark::None:
        break;
    }
    p.end();
    update();
    armTimer();
}

void RealTimeSLM::armTimer() {
    if (!m_running || m_PMessage->isVisible())
        return;
    const double wait = m_schedule.secondsUntilDue(m_clock.monotonic());
    m_Timer1.start(static_cast<int>(std::ceil(wait * 1000.0)));
}

void RealTimeSLM::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.drawImage(event->rect(), m_image, event->rect());
}

void RealTimeSLM::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    redraw();
}

// ---------------------------------------------------------------- commands

void RealTimeSLM::setRunning(bool running) {
    m_running = running;
    m_stopStart->setIcon(
        style()->standardIcon(running ? QStyle::SP_MediaStop : QStyle::SP_MediaPlay));
    m_stopStart->setToolTip(running ? QStringLiteral("Stop") : QStringLiteral("ReStart"));
    if (!running)
        m_Timer1.stop();
}

void RealTimeSLM::stopStart() {
    if (m_running) {
        setRunning(false);
        return;
    }
    setRunning(true);
    m_limits.counts.reset(); // one pixel per reading again, whatever the count said
    redraw();
}

void RealTimeSLM::showLimits() {
    m_Timer1.stop();
    m_TxtCounts->setText(
        QString::number(std::lround(m_geometry.plotWidth / m_limits.stepX(m_geometry.plotWidth))));
    m_TxtMax->setText(levelLabelText(m_limits.chartMax).trimmed());
    m_TxtMin->setText(levelLabelText(m_limits.chartMin).trimmed());
    m_PMessage->move((width() - m_PMessage->width()) / 2, (height() - m_PMessage->height()) / 2);
    m_PMessage->show();
    m_PMessage->raise();
    m_TxtMax->setFocus();
}

void RealTimeSLM::applyLimits() {
    const LimitsVerdict verdict =
        checkLimits(m_TxtMax->text(), m_TxtMin->text(), m_TxtCounts->text());
    if (verdict.levelsOk) {
        m_levelsChanged = m_levelsChanged || verdict.limits.chartMin != m_limits.chartMin ||
                          verdict.limits.chartMax != m_limits.chartMax;
        m_limits.chartMin = verdict.limits.chartMin;
        m_limits.chartMax = verdict.limits.chartMax;
    }
    if (!verdict.message.isEmpty()) {
        m_dialogs.message(this,
                          {verdict.message, dialogs::Buttons::Ok, dialogs::Icon::Critical, {}});
        return;
    }
    m_limits.counts = verdict.limits.counts;
    redraw();
}

void RealTimeSLM::cancelLimits() {
    if (m_levelsChanged) {
        redraw(); // the kept levels need their labels
        return;
    }
    m_PMessage->hide();
    armTimer();
}

void RealTimeSLM::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && m_PMessage->isVisible()) {
        cancelLimits();
        return;
    }
    QWidget::keyPressEvent(event);
}

void RealTimeSLM::print() {
    m_Toolbar1->hide();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // Whatever happens below, the toolbar and the pointer come back.
    struct Restore {
        QToolBar* toolbar;
        ~Restore() {
            QApplication::restoreOverrideCursor();
            toolbar->show();
        }
    } restore{m_Toolbar1};
    auto printer = m_dialogs.print(this);
    if (!printer)
        return;
    const int copies = std::max(1, printer->copyCount());
    printer->setCopyCount(1); // the copies are sent below, once each
    const QImage window = grab().toImage();
    QPainter p;
    if (!p.begin(printer.get())) {
        m_dialogs.message(this, {QStringLiteral("The graph could not be printed."),
                                 dialogs::Buttons::Ok,
                                 dialogs::Icon::Exclamation,
                                 {}});
        return;
    }
    const QRect page = p.viewport();
    const QSize fitted = window.size().scaled(page.size(), Qt::KeepAspectRatio);
    for (int copy = 0; copy < copies; ++copy) {
        if (copy > 0)
            printer->newPage();
        p.drawImage(QRect(QPoint(0, 0), fitted), window);
    }
    p.end();
}

void RealTimeSLM::closeEvent(QCloseEvent* event) {
    m_Timer1.stop();
    emit closed();
    event->accept();
}

} // namespace nd::realtime::ui
