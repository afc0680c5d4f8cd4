#include "x11input.h"

// The exit code is what the X11 input layer's beginRun says of the display named by DISPLAY.
int main()
{
    return int(X11Input().beginRun().error);
}
