#include "QuilletApi/Content/content.h"
