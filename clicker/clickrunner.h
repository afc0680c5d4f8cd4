#pragma once

class QString;

/// Parses one plan line and performs it as often as its count says, logging failures.
void executeLine(const QString &planLine);

/// Moves the cursor to (x, y), holds the left button down there for 50 ms, then waits
/// delayMs when it is positive.
void clickAt(int x, int y, int delayMs);

/// Moves the cursor to (x, y) without pressing, logging a refusal, then waits delayMs when it
/// is positive.
void moveCursorTo(int x, int y, int delayMs);
