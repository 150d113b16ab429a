#include <curl/curl.h>
#include "base/uuid.h"
#include "tests/support/temporary_folder.h"
