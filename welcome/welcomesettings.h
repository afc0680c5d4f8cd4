#pragma once

#include <QLatin1String>

/// Keys of the per-user settings store that the welcome page owns.
inline constexpr QLatin1String dontShowWelcomeKey("DontShowWelcome");
inline constexpr QLatin1String serverFilesKey("ServerFiles");
