#include "services/XmlDocument.h"
