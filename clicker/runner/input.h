#pragma once

#include <cstdint>

/// The things the click runner needs from the platform. Exactly one implementation
/// is linked into each binary (Windows, X11, or a test double), so callers never branch
/// on the platform. Free of Qt so the Windows file can be compile-checked anywhere.
namespace input {

/// Left-button events, with the values of the Windows mouse_event flags.
enum class MouseButtonEvent : std::uint32_t { LeftDown = 2, LeftUp = 4 };

/// Error codes of lastErrorCode() and beginRun() that the X11 layer reports; Windows codes
/// are GetLastError's.
enum InputError : std::uint32_t { noDisplayError = 1, noInjectionError = 2 };

/// Readies the platform for one run: opens what injection needs and sharpens the waits.
/// Returns 0 when input can be injected, else the error code that says why not (then no
/// endRun is due).
std::uint32_t beginRun();

/// Gives back what beginRun took for the run (timer resolution and the like).
void endRun();

/// Puts the system cursor at screen position (x, y) in physical pixels; false when the
/// platform refused.
bool setCursorPosition(int x, int y);

/// Where the system cursor is, in the same physical pixels setCursorPosition takes; false
/// when it cannot be read.
bool cursorPosition(int &x, int &y);

/// Injects one event of the primary button at the cursor's current position. x and y travel
/// with the event as mouse_event's position arguments and carry no movement.
void sendMouseButton(MouseButtonEvent event, int x, int y);

/// Blocks the calling thread for the given number of microseconds; returns at once when that
/// is not positive.
void sleepMicroseconds(std::int64_t microseconds);

/// A monotonic clock in microseconds from an arbitrary start, the clock of the run's schedule.
std::int64_t steadyMicroseconds();

/// Whether the Esc key is held down at this moment, wherever the keyboard focus is; false
/// when the keyboard cannot be read (no display).
bool isEscapeKeyDown();

/// Why the last failed setCursorPosition failed, as a platform error code.
std::uint32_t lastErrorCode();

/// True in a desktop session where injected input and the Esc key reach only some windows
/// (an X11 client inside a Wayland session reaches only XWayland windows).
bool isConfinedSession();

} // namespace input
