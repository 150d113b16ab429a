#include "tree_builder.h"
#include "base/uuid.h"
#include "html/nodes/element.h"
#include "html/select/selector.h"
