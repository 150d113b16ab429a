/* Whether the minizip this library is built against writes password-protected entries that can be read
   back. minizip's crypt.h before zlib 1.2.12 keeps the keys and the CRC table as unsigned long; where that
   is 64 bits wide, the 32-bit CRC table is read with the wrong stride and every encrypted entry comes out
   undecryptable. The header's own function signature tells the two kinds apart, so this is C: the old
   header uses `register`, which C++ no longer accepts. */
#include <zlib.h>

#include "zip/minizip_encryption.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <minizip/crypt.h>
#pragma GCC diagnostic pop

int novawick_zip_minizip_encryption_works(void) {
    return _Generic(&decrypt_byte,
                    int (*)(unsigned long*, const unsigned long*): sizeof(unsigned long) == sizeof(z_crc_t),
                    default: 1);
}
