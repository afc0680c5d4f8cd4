#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

struct _XDisplay;

/// Presses the Esc key through XTest after a delay, holds it (for at most `hold`, or until
/// letGo is called) and lets it go, on a thread
/// and an X connection of its own: it acts while the thread under test is blocked in a
/// click run. It notes when the press happened, in the X server's own time (to set against
/// observed button events) and on the steady clock (to time a blocked call).
class ScheduledEscapePress final
{
public:
    ScheduledEscapePress(std::chrono::milliseconds delay, std::chrono::milliseconds hold);
    /// Waits for the release, so the key is never left down.
    ~ScheduledEscapePress();
    ScheduledEscapePress(const ScheduledEscapePress &) = delete;
    ScheduledEscapePress &operator=(const ScheduledEscapePress &) = delete;

    /// Lets the key go as soon as it has been pressed, without waiting out the hold.
    void letGo();

    /// Waits until the key has been let go again. False when it could not be pressed at all:
    /// no X display, no XTest extension, or no Esc key in the keyboard map.
    bool waitUntilReleased();

    /// X server time, in ms, just after the press; valid once waitUntilReleased is true.
    unsigned long pressServerTimeMs() const { return serverTimeMs; }
    /// When the press was sent, on the steady clock; valid likewise. The server handles it
    /// moments later, so a time measured from here is never too short.
    std::chrono::steady_clock::time_point pressedAt() const { return pressedTime; }

private:
    void pressAndRelease(std::chrono::milliseconds delay, std::chrono::milliseconds hold);

    _XDisplay *display = nullptr;
    unsigned long stampWindow = 0;
    unsigned int escapeKeycode = 0;
    bool usable = false;
    unsigned long serverTimeMs = 0;
    std::chrono::steady_clock::time_point pressedTime;
    std::mutex letGoMutex;
    std::condition_variable letGoRequested;
    bool letGoSoon = false;
    std::thread presser;
};
