#pragma once

class QString;

/// Parses one plan line and performs it as often as its count says, logging failures.
void executeLine(const QString &planLine);

/// Moves the cursor to (x, y), holds the left button down for 50 ms, then waits delayMs.
void clickAt(int x, int y, int delayMs);

/// Moves the cursor to (x, y) without pressing, then waits delayMs.
void moveCursorTo(int x, int y, int delayMs);
