#pragma once

/// Gives the application, once its object exists, the icon of its windows and boxes and the
/// names that select its settings store (the welcome page's, the remembered consent of the
/// desktop's remote-desktop portal).
void identifyApplication();
