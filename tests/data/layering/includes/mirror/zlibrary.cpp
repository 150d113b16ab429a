#include "mirror/zlibrary.h"

#include "QuilletApi/records/records.h"
#include "QuilletApi/site_profile.h"
#include "mirror/mirror_hosts.h"
#include "pages/page.h"
