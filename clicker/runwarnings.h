#pragma once

#include <cstdint>

class QWidget;

namespace input {
class InputLayer;
}

/// When `input` reaches only some windows of this session with its clicks and the Esc key,
/// asks once per program start, before the first run, whether to run anyway. True when the run
/// may go ahead: always outside such a session, and once the user has chosen to run anyway.
bool confirmRunInConfinedSession(QWidget *parent, input::InputLayer &input);

/// What the platform's input could not be had for.
enum class Thwarted {
    RunStart,  ///< a run, which then did nothing
    RunMidway, ///< a run, which stopped before its end
    Pick,      ///< picking a position from the screen
};

/// Tells the user why, from the input layer's error code; nothing where the user brought it
/// about (gave up waiting for the desktop, ended its remote-desktop session).
void warnInputUnavailable(QWidget *parent, Thwarted what, std::uint32_t errorCode);
