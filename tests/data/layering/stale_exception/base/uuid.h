#include "base/progress.h"
