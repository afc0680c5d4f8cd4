#pragma once

/// Delivers every keyboard and mouse event that is waiting for the application's windows,
/// and throws them away instead of acting on them: what queued up while the GUI thread was
/// busy must not take effect afterwards.
void discardQueuedInput();
