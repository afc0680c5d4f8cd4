#pragma once

#include <cstdint>

/// The things the click runner needs from the platform. Exactly one implementation
/// is linked into each binary (Windows, X11, or a test double), so callers never branch
/// on the platform. Free of Qt so the Windows file can be compile-checked anywhere.
namespace input {

/// Left-button events, with the values of the Windows mouse_event flags.
enum class MouseButtonEvent : std::uint32_t { LeftDown = 2, LeftUp = 4 };

/// Puts the system cursor at screen position (x, y); false when the platform refused.
bool setCursorPosition(int x, int y);

/// Injects one left-button event at the cursor's current position. x and y travel with
/// the event as mouse_event's position arguments and carry no movement.
void sendMouseButton(MouseButtonEvent event, int x, int y);

/// Blocks the calling thread for the given number of milliseconds.
void sleepMilliseconds(int milliseconds);

/// A monotonic clock in microseconds from an arbitrary start. The runner sleeps in short
/// slices to watch the Esc key and measures each wait against this clock, so that the time
/// spent between slices does not stretch the wait.
std::int64_t steadyMicroseconds();

/// Whether the Esc key is held down at this moment, wherever the keyboard focus is; false
/// when the keyboard cannot be read (no display).
bool isEscapeKeyDown();

/// Why the last failed setCursorPosition failed, as a platform error code: GetLastError's
/// on Windows; on X11 the small set listed at the top of input_x11.cpp.
std::uint32_t lastErrorCode();

} // namespace input
