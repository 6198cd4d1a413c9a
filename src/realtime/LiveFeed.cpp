#include "LiveFeed.h"

#include "link/MeterLink.h"

#include <QDateTime>

namespace nd::realtime {

LiveFeed::LiveFeed(const link::MeterLink& link, QObject* parent) : QObject(parent), m_link(link) {
    m_clock.start();
    observe(link.state());
    connect(&link, &link::MeterLink::stateChanged, this, &LiveFeed::observe);
}

double LiveFeed::now() const {
    return static_cast<double>(m_clock.nsecsElapsed()) / 1e9;
}

void LiveFeed::observe(const link::MeterState& state) {
    m_fresh.observe(state, now());
}

LiveSnapshot LiveFeed::snapshot() const {
    const link::MeterState& state = m_link.state();
    LiveSnapshot s;
    s.reading = m_fresh.at(QDateTime::currentDateTime(), now());
    s.dbaMode = state.DbaMode;
    if (!state.TimeWeightingText.isEmpty()) { // a status byte was decoded
        s.criterion = QString::number(state.CriterionLevel);
        s.exchange = QString::number(state.ExchangeRate);
    }
    return s;
}

} // namespace nd::realtime
