#pragma once

#include "input.h"
#include "streamlayout.h"

#include <optional>

/// One frame of a screen-cast stream, read through the PipeWire remote `remoteFd` (which stays
/// the caller's), as a picture placed where the stream is in the desktop; empty when no frame
/// came within `withinMs`.
std::optional<input::MonitorPicture>
takeStreamFrame(int remoteFd, const input::ScreenCastStream &stream, int withinMs);
