#include "html/nodes/node.h"
#include "html/select/selector.h"
