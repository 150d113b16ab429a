/* Probe of the linked minizip's password support; see minizip_encryption.c for why it is needed. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

/** Non-zero when minizip's traditional encryption produces entries that other tools can decrypt. */
int novawick_zip_minizip_encryption_works(void);

#ifdef __cplusplus
}
#endif
