#include "input.h"

// The exit code is what beginRun says of the display named by DISPLAY.
int main()
{
    return int(input::beginRun());
}
