#include "Reading.h"

#include "link/MeterState.h"

namespace nd::stored {

namespace {

bool isLevelNumber(QStringView text) {
    // Digits, a point and digits: "94.5", "142.0", "05.0". The meter writes every level
    // with its tenth; a number without a point ("120") is a dose or a count, not a level.
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i].isDigit() && text[i].unicode() < 128)
        ++i;
    if (i == 0 || i == n || text[i] != QLatin1Char('.') || i + 1 == n)
        return false;
    for (++i; i < n; ++i) {
        if (!text[i].isDigit() || text[i].unicode() >= 128)
            return false;
    }
    return true;
}

} // namespace

Level parseLevel(QStringView text) {
    const QStringView t = text.trimmed();
    if (t.isEmpty())
        return {LevelKind::Missing, 0.0};
    if (t == u"OL")
        return {LevelKind::OverRange, kOverRangeBound};
    if (t == u"----")
        return {LevelKind::UnderRange, kUnderRangeBound};
    if (!isLevelNumber(t))
        return {LevelKind::NotLevel, 0.0};
    return {LevelKind::Level, t.toDouble()};
}

Reading readingFrom(const link::MeterState& state, const QDateTime& wallTime, double monotonic) {
    Reading r;
    r.wallTime = wallTime;
    r.monotonic = monotonic;
    r.text = link::DisplayValueText(state);
    if (!state.DbaMode || state.GroupedDigits) {
        r.level = {LevelKind::NotLevel, 0.0};
    } else {
        // In dBA mode the display rules only ever give "OL", "----" or a number; a frame
        // with letters in its digits comes out as NotLevel here rather than as a level.
        r.level = parseLevel(r.text);
        if (r.level.kind == LevelKind::Missing)
            r.level.kind = LevelKind::NotLevel;
    }
    return r;
}

void FreshReading::observe(const link::MeterState& state, double monotonic) {
    m_answering = state.LinkCaption != QLatin1String("No COM");
    if (state.PollCount == 0 || state.PollCount == m_pollCount)
        return;
    m_pollCount = state.PollCount;
    m_advancedAt = monotonic;
    m_last = readingFrom(state, {}, monotonic);
}

bool FreshReading::isFresh(double monotonic) const {
    return m_answering && m_advancedAt >= 0.0 && monotonic - m_advancedAt <= kFreshFor;
}

Reading FreshReading::at(const QDateTime& wallTime, double monotonic) const {
    Reading r;
    if (isFresh(monotonic))
        r = m_last;
    r.wallTime = wallTime;
    r.monotonic = monotonic;
    return r;
}

} // namespace nd::stored
