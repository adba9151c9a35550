// Against the order: os/ is the lowest room.
#include "cli/apply/high.h"
