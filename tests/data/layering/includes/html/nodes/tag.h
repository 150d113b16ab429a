#include "html/parser/tree_builder_tags.h"
