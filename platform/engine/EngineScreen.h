/* The imaging engine's screening set-up: one record of a singly linked
 * chain, each with a string array of screens.
 *
 * A plain C structure with the engine's field order, widths and natural
 * alignment. Names are terminated byte strings (UTF-8 on this platform).
 *
 * Ownership: a record owns its screen array. The repository's ScreenSetup
 * wrapper allocates records with calloc, arrays with _stral_new or
 * _stral_copy, and releases them with free and stral_free. */
#ifndef VEXA_ENGINE_ENGINESCREEN_H
#define VEXA_ENGINE_ENGINESCREEN_H

#include "kernel/VexKernel.h"

#define SP_SCREENSETUP_NAME_SIZE 80 /* set-up name: 79 bytes + 0 */

#ifdef __cplusplus
extern "C" {
#endif

typedef struct _SCREENSETUP {
    char name[SP_SCREENSETUP_NAME_SIZE];
    SSTRAL* screens;           /* rows: name, lpi, angle, function, placement, shades;
                                  null when the set-up has no array */
    struct _SCREENSETUP* next; /* null after the last record */
} SCREENSETUP;

#ifdef __cplusplus
}  // extern "C"
#endif

#endif /* VEXA_ENGINE_ENGINESCREEN_H */
