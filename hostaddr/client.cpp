// placeholder until the binding is written
#include "client.h"
