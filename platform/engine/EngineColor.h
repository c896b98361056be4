/* The imaging engine's colour information record: process and spot colour
 * counts, the high-fidelity mode, the photometric interpretation and, per
 * spot colour, its name and sample layout.
 *
 * A plain C structure with the engine's field order, widths and counts and
 * natural alignment; it owns nothing and is copied as a whole. Spot names
 * are terminated byte strings (UTF-8 on this platform). */
#ifndef VEXA_ENGINE_ENGINECOLOR_H
#define VEXA_ENGINE_ENGINECOLOR_H

#include <stdint.h>

#define SP_MAX_SPOTCOLORS 12  /* spot colour slots */
#define SP_SPOTNAME_SIZE 40   /* spot names: 39 bytes + 0 */
#define SP_MAX_SPOTSAMPLES 12 /* sample values per spot */

#ifdef __cplusplus
extern "C" {
#endif

/* The sample layout of one spot colour. */
typedef struct _SP_SPOT_INFO {
    uint32_t SampleValues[SP_MAX_SPOTSAMPLES];
    uint32_t bitspersample;
    uint8_t samples; /* sample values used, 0-12 */
    uint8_t photometric;
    uint8_t opacity; /* 0-255 standing for 0-100 % */
} SP_SPOT_INFO;

typedef struct _SP_COLOR_INFO {
    int32_t NumColor;
    int32_t NumSpotColor; /* 0-12 */
    uint32_t HiFiMode;
    uint32_t Photometric;
    char SpotNames[SP_MAX_SPOTCOLORS][SP_SPOTNAME_SIZE];
    SP_SPOT_INFO Spots[SP_MAX_SPOTCOLORS];
} SP_COLOR_INFO;

#ifdef __cplusplus
}  // extern "C"
#endif

#endif /* VEXA_ENGINE_ENGINECOLOR_H */
