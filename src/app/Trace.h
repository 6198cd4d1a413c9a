#pragma once

#include <QElapsedTimer>
#include <QObject>

#include <cstdint>

namespace nd::link {
struct MeterState;
}
namespace nd::panel {
class Panel;
}

namespace nd::app {

/// One flushed line on stdout per event the tests and the benchmark wait for:
/// "started <ms>", "com <caption>", "value <text>", "first-reading <ms>" and, at most
/// once a second, "poll <PollCount> <ms>". Times count from the start of the process.
class Trace final : public QObject {
    Q_OBJECT

public:
    explicit Trace(const QElapsedTimer& sinceStart, QObject* parent = nullptr);

    void attach(panel::Panel& panel);
    void started();

private:
    void print(const QString& line);
    void comCaption(const QString& caption);
    void valueCaption(const QString& text);
    void pollCount(const link::MeterState& state);

    const QElapsedTimer& m_sinceStart;
    bool m_firstReadingSeen = false;
    qint64 m_lastPollLine = -1;
    std::uint64_t m_lastPollCount = 0;
};

/// Milliseconds between two poll lines.
inline constexpr qint64 kPollLineInterval = 1000;

} // namespace nd::app
