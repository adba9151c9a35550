// Back down again, closing a cycle.
#include "cli/os/low.h"
