/* The imaging engine's dot information: the dot unit name and, per group of
 * resolution units, named units carrying tables of scales.
 *
 * Plain C structures with the engine's field order, widths and natural
 * alignment. Names are terminated byte strings (UTF-8 on this platform).
 *
 * Ownership: a dotinfo owns its groups, a group its units, a unit its
 * string array of scale rows (each row: name, scale, value). The
 * repository's DotInfo wrapper allocates the records with calloc, the
 * arrays with _stral_new/_stral_copy, and releases them with free and
 * stral_free. */
#ifndef VEXA_ENGINE_ENGINEDOT_H
#define VEXA_ENGINE_ENGINEDOT_H

#include "kernel/VexKernel.h"

#define DOT_UNITS_SIZE 20     /* dot unit name: 19 bytes + 0 */
#define DOT_GROUPNAME_SIZE 20 /* resolution-unit group names: 19 bytes + 0 */
#define DOT_UNITNAME_SIZE 30  /* resolution unit names: 29 bytes + 0 */

#ifdef __cplusplus
extern "C" {
#endif

/* One resolution unit: a name and its scale rows. */
typedef struct dotresunit {
    char name[DOT_UNITNAME_SIZE];
    SSTRAL* scales;          /* rows: name, scale, value */
    struct dotresunit* next; /* null after the last unit of the group */
} dotresunit;

/* One group of resolution units. */
typedef struct dotresgroup {
    char name[DOT_GROUPNAME_SIZE];
    dotresunit* units;        /* first unit, null when none */
    struct dotresgroup* next; /* null after the last group */
} dotresgroup;

typedef struct dotinfo {
    char units[DOT_UNITS_SIZE];
    dotresgroup* first; /* first group, null when none */
    dotresgroup* last;  /* last group, null when none */
} dotinfo;

#ifdef __cplusplus
}  // extern "C"
#endif

#endif /* VEXA_ENGINE_ENGINEDOT_H */
