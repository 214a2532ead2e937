#include "services/Error.h"
