#pragma once
// The mail library's binding under a name of its own: "client.h" alone may find the host address
// binding first on the include path.
#include "client.h"
