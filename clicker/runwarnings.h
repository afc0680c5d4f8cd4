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

/// Tells the user why a run could not start, from the input layer's error code.
void warnInputUnavailable(QWidget *parent, std::uint32_t errorCode);
