#include "clickscript.h"
