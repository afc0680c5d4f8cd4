#pragma once

#include "input.h"

/// Input through the XTest extension on the display named by DISPLAY; the Esc key and the
/// cursor are read from the same connection.
///
/// Error codes reported by beginRun() and lastErrorCode():
///   1  no X display could be opened (DISPLAY unset, empty or unreachable)
///   2  the X server does not offer the XTest extension
/// The connection is opened at the first call and kept for the life of the process; a
/// failure is remembered too, so every later move fails at once with the same code and
/// button events are dropped. Reading the keyboard and the cursor needs no XTest.
class X11Input final : public input::InputLayer
{
public:
    input::Readiness beginRun() override;
    void endRun() override {}
    bool setCursorPosition(int x, int y) override;
    bool cursorPosition(int &x, int &y) override;
    void sendMouseButton(input::MouseButtonEvent event, int x, int y) override;
    void sleepMicroseconds(std::int64_t microseconds) override;
    std::int64_t steadyMicroseconds() override;
    bool isEscapeKeyDown() override;
    std::uint32_t lastErrorCode() override;
    bool isConfinedSession() override;
};
