// Everything of the document model in one include: nodes, elements, the document, attributes, tags,
// the element list, the tree walkers and the string rules.
#pragma once

#include "html/nodes/attributes.h"
#include "html/nodes/document.h"
#include "html/nodes/element.h"
#include "html/nodes/elements.h"
#include "html/nodes/exception.h"
#include "html/nodes/leaf_nodes.h"
#include "html/nodes/node.h"
#include "html/nodes/parse_settings.h"
#include "html/nodes/string_util.h"
#include "html/nodes/tag.h"
#include "html/nodes/traversal.h"
#include "html/nodes/url_resolver.h"
