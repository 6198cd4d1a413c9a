#include "Trace.h"

#include "link/MeterLink.h"
#include "panel/Panel.h"

#include <cstdio>

namespace nd::app {

Trace::Trace(const QElapsedTimer& sinceStart, QObject* parent)
    : QObject(parent), m_sinceStart(sinceStart) {}

void Trace::attach(panel::Panel& panel) {
    connect(&panel, &panel::Panel::comCaptionChanged, this, &Trace::comCaption);
    connect(&panel, &panel::Panel::valueCaptionChanged, this, &Trace::valueCaption);
    if (panel.meterLink())
        connect(panel.meterLink(), &link::MeterLink::stateChanged, this, &Trace::pollCount);
}

void Trace::started() {
    print(QStringLiteral("started %1").arg(m_sinceStart.elapsed()));
}

void Trace::print(const QString& line) {
    // Flushed per line: the reader is a pipe and waits for each line as it comes.
    std::fputs(line.toLocal8Bit().append('\n').constData(), stdout);
    std::fflush(stdout);
}

void Trace::comCaption(const QString& caption) {
    print(QStringLiteral("com ") + caption);
}

void Trace::valueCaption(const QString& text) {
    print(QStringLiteral("value ") + text);
    if (!m_firstReadingSeen && !text.isEmpty()) {
        m_firstReadingSeen = true;
        print(QStringLiteral("first-reading %1").arg(m_sinceStart.elapsed()));
    }
}

void Trace::pollCount(const link::MeterState& state) {
    const qint64 now = m_sinceStart.elapsed();
    if (state.PollCount == m_lastPollCount)
        return;
    if (m_lastPollLine >= 0 && now - m_lastPollLine < kPollLineInterval)
        return;
    m_lastPollLine = now;
    m_lastPollCount = state.PollCount;
    print(QStringLiteral("poll %1 %2").arg(state.PollCount).arg(now));
}

} // namespace nd::app
