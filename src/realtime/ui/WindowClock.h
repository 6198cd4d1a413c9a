#pragma once

#include <QDateTime>
#include <QElapsedTimer>

#include <functional>
#include <memory>

namespace nd::realtime::ui {

/// The clocks a live window reads: monotonic seconds for its tick schedule, the wall
/// clock for the times it shows. Tests hand in their own.
struct WindowClock {
    std::function<double()> monotonic;
    std::function<QDateTime()> wall;

    static WindowClock real() {
        auto timer = std::make_shared<QElapsedTimer>();
        timer->start();
        return {[timer] { return static_cast<double>(timer->nsecsElapsed()) / 1e9; },
                [] { return QDateTime::currentDateTime(); }};
    }
};

} // namespace nd::realtime::ui
