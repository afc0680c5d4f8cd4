#include "parentconsole.h"

#include <windows.h>

#include <cstdio>
#include <io.h>

namespace {

// A stream that the starter redirected (to a file, a pipe) keeps its destination.
bool leadsNowhere(std::FILE *stream)
{
    const int descriptor = _fileno(stream);
    return descriptor < 0 || _get_osfhandle(descriptor) <= 0;
}

} // namespace

void useParentConsole()
{
    // Also with both streams redirected: the toolkit writes its log to standard error only
    // when the program has a console, and to the debugger otherwise.
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (leadsNowhere(stdout))
        std::freopen("CONOUT$", "w", stdout);
    if (leadsNowhere(stderr))
        std::freopen("CONOUT$", "w", stderr);
}
