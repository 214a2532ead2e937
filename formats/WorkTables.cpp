#include "formats/WorkTables.h"
