#pragma once

/// Lets a command line's output and the debug log reach the console the program was started
/// from. A Windows GUI program gets no console of its own, and its standard streams lead
/// nowhere unless they were redirected: this attaches to the console of the process that
/// started it, where there is one, and points the streams that lead nowhere at it. Elsewhere
/// the streams are the parent's already.
#ifdef _WIN32
void useParentConsole();
#else
inline void useParentConsole() {}
#endif
