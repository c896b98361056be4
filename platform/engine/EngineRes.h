/* The imaging engine's per-resolution scale correction: one record of a
 * singly linked chain.
 *
 * A plain C structure with the engine's field order, widths and natural
 * alignment. The repository's ResScaleAdjust wrapper allocates the records
 * with calloc and releases them with free. */
#ifndef VEXA_ENGINE_ENGINERES_H
#define VEXA_ENGINE_ENGINERES_H

#define SP_RESSCALE_NAME_SIZE 30     /* resolution name: 29 bytes + 0 */
#define SP_RESSCALE_RESERVED_SIZE 74 /* the engine's; not read or written here */

#ifdef __cplusplus
extern "C" {
#endif

typedef struct _SPRESSCALEADJUST {
    struct _SPRESSCALEADJUST* next; /* null after the last record */
    char Resolution[SP_RESSCALE_NAME_SIZE];
    unsigned char Reserved[SP_RESSCALE_RESERVED_SIZE];
    double scaleX;
    double scaleY;
} SPRESSCALEADJUST;

#ifdef __cplusplus
}  // extern "C"
#endif

#endif /* VEXA_ENGINE_ENGINERES_H */
