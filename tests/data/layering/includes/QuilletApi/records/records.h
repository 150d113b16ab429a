#include "QuilletApi/quillet_api.h"
#include "net/url.h"
