#include "services/Table.h"
