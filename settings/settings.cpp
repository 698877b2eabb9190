// placeholder until the settings file is written
#include "settings.h"
