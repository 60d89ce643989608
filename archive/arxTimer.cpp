// The run timer over a millisecond clock.
#include "archive/arxTimer.h"

#include "platform/Clock.h"

namespace sorvane {

std::uint64_t TarxTimer::Now() const {
    return Clock ? Clock() : MonotonicMilliseconds();
}

void TarxTimer::Start() {
    ElapsedTime = 0;
    PauseTick = 0; // a pause left from an earlier run must not shorten this one
    StartTick = Now();
}

void TarxTimer::Stop() {
    if (!Running()) return;
    const std::uint64_t now = Now();
    StopTick = now;
    ElapsedTime = static_cast<float>(now - StartTick) / 1000.0f;
    StartTick = 0;
}

void TarxTimer::Pause() {
    if (Running()) PauseTick = Now();
}

void TarxTimer::Resume() {
    if (!Running() || PauseTick == 0) return;
    StartTick += Now() - PauseTick;
    PauseTick = 0; // counted once: a second Resume adds nothing
}

} // namespace sorvane
