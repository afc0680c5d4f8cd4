#pragma once

class QString;

// Each of these returns false when the user stopped the run with the Esc key, true when it
// may go on. Esc is looked at before every plan line, after every action and about every
// 10 ms of a wait; a press is always released before stopping.

/// Parses one plan line and performs it as often as its count says, logging failures.
bool executeLine(const QString &planLine);

/// Moves the cursor to (x, y), holds the left button down there for 50 ms, then waits
/// delayMs when it is positive.
bool clickAt(int x, int y, int delayMs);

/// Moves the cursor to (x, y) without pressing, logging a refusal, then waits delayMs when it
/// is positive.
bool moveCursorTo(int x, int y, int delayMs);
