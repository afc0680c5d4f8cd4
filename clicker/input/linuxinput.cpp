// Which input layer a Linux desktop gets.
#include "input.h"
#include "x11input.h"

input::InputLayer &input::current()
{
    static X11Input x11;
    return x11;
}
