#include "epub/epub_gen.h"

  #  include "pages/requests.h"  // spaced out
// #include "app/dialogue.h"
