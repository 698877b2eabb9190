// placeholder until the lookup is written
#include "lookup.h"
