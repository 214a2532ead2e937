#include "formats/ExchangeDocument.h"
