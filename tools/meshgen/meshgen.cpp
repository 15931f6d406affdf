#include "tools/meshgen/meshgen.h"
