// TarxTimer: the elapsed time of an archive run, with pauses (the run's
// dialogues and error reports) left out.
#pragma once

#include <cstdint>
#include <functional>

namespace sorvane {

class TarxTimer {
public:
    // Starts from zero: ElapsedTime := 0, StartTick := now, no pause pending.
    void Start();
    // When running: StopTick := now, ElapsedTime := seconds since the start
    // less the pauses, and the timer stops. Without a run nothing changes.
    void Stop();
    // When running, marks the start of a pause (a second Pause moves the mark).
    void Pause();
    // When running and paused, moves the start on by the pause's length.
    void Resume();

    bool Running() const { return StartTick > 0; }

    std::uint64_t StartTick = 0, StopTick = 0, PauseTick = 0;
    float ElapsedTime = 0; // seconds
    // The time in milliseconds; a running timer is one whose StartTick is not 0.
    std::function<std::uint64_t()> Clock;

private:
    std::uint64_t Now() const;
};

} // namespace sorvane
