/* The imaging engine's ink records: ink configurations, level tables, ink
 * unit tables, ink groups and types, variable-dot channels and curves, and
 * ink curves.
 *
 * Plain C structures with the engine's field order, widths and counts and
 * natural alignment; they are handed to the engine as they are. Character
 * arrays hold terminated byte strings (UTF-8 on this platform).
 *
 * Ownership: the structures own nothing by themselves. The pointers they
 * hold (ink unit list, ink groups with their name texts, variable-dot block)
 * belong to whoever built the structure; the repository's wrapper classes
 * allocate them with malloc/calloc and the name texts with strdup, and free
 * them with free.
 *
 * SPINKLEVELEX, the engine's map of named levels, is a C++ class and exists
 * only for C++ translation units. */
#ifndef VEXA_ENGINE_ENGINEINK_H
#define VEXA_ENGINE_ENGINEINK_H

#include <stdint.h>

/* Counts and sizes of the fixed arrays. */
#define SP_INKNAME_SIZE 10     /* ink names, aliases, channels: 9 bytes + 0 */
#define SP_RESNAME_SIZE 30     /* resolution and configuration names */
#define SP_MAX_INKLEVELS 30    /* entries of a level table */
#define SP_MAX_PROCCOLORS 12   /* MLInfo tables of a configuration */
#define SP_LEVELLUT_ROWS 8     /* rows of the level tables */
#define SP_LEVELLUT_SIZE 256   /* entries per level table row */
#define SP_MAX_UNITS 16        /* units of an ink unit table */
#define SP_MAX_VARDOTLEVELS 16 /* variable-dot levels */
#define SP_CURVE_POINTS 64     /* points of a point curve */
#define SP_MAX_TRANSITIONS 16  /* curves of a transition set */
#define SP_MAX_VARDOTCHANNELS 30
#define SP_MAX_INKGROUPS 30
#define SP_MAX_GROUPINKS 30
#define SP_INKTYPE_NAME_SIZE 88
#define SP_MAX_CURVEINKS 10 /* inks of an ink curve record */
#define SP_MAX_INKCURVES 16 /* curves per ink of an ink curve record */

/* ProcOpts: the level tables are computed from ProcBits and OutputBits. */
#define SP_PROCOPT_COMPUTED_LEVELLUT 0x10000000u
/* VarDotOpts: VarDot points to an SPVARDOTCHANNELS table, else to an
 * SPVARDOTCURVES set. */
#define SP_VARDOTOPT_CHANNELS 0x2u

#ifdef __cplusplus
extern "C" {
#endif

/* One point of a point curve: x and y are percentages 0-100. */
typedef struct SPPOINT {
    uint8_t x;
    uint8_t y;
} SPPOINT;

/* A point curve; it ends at the first point after point 0 whose x is 0. */
typedef struct SPPOINTCURVE {
    SPPOINT Points[SP_CURVE_POINTS];
} SPPOINTCURVE;

/* Transition t describes the change from level t to level t+1. */
typedef struct SPTRANSITIONSET {
    SPPOINTCURVE Transitions[SP_MAX_TRANSITIONS];
} SPTRANSITIONSET;

/* A table of named levels; all fields are bytes, so there are no gaps. */
typedef struct SPINKLEVEL {
    uint8_t Count;
    char Names[SP_MAX_INKLEVELS][SP_INKNAME_SIZE];
    uint8_t Levels[SP_MAX_INKLEVELS];
} SPINKLEVEL;

/* A level table with an alias and CIE L*a*b* values per entry. */
typedef struct SPSPOTINKLEVEL {
    uint8_t Count;
    char Names[SP_MAX_INKLEVELS][SP_INKNAME_SIZE];
    uint8_t Levels[SP_MAX_INKLEVELS];
    char Aliases[SP_MAX_INKLEVELS][SP_INKNAME_SIZE];
    float Lab[SP_MAX_INKLEVELS][3];
} SPSPOTINKLEVEL;

/* One ink unit table, a node of a singly linked list. BaseCount and Units
 * hold 1000 times the stored numbers. */
typedef struct SPINKUNITLUT {
    struct SPINKUNITLUT* next;
    char Res[SP_RESNAME_SIZE];
    char Channel[SP_INKNAME_SIZE];
    uint32_t BaseCount;
    uint32_t Units[SP_MAX_UNITS];
    float DotVolume;
} SPINKUNITLUT;

typedef struct SPVARDOTCHANNEL {
    char Ink[SP_INKNAME_SIZE];
    SPPOINTCURVE Coverage;
    SPTRANSITIONSET Transitions;
} SPVARDOTCHANNEL;

/* The variable-dot block when VarDotOpts has SP_VARDOTOPT_CHANNELS. */
typedef struct SPVARDOTCHANNELS {
    int32_t ChannelCount;
    SPVARDOTCHANNEL Channels[SP_MAX_VARDOTCHANNELS];
} SPVARDOTCHANNELS;

typedef struct SPVARDOTCURVE {
    SPTRANSITIONSET Low;
    SPTRANSITIONSET Middle;
    SPTRANSITIONSET High;
    SPPOINTCURVE Coverage;
} SPVARDOTCURVE;

/* The variable-dot block when VarDotOpts lacks SP_VARDOTOPT_CHANNELS. The
 * leading pointer is the engine's; it is never stored and null in copies. */
typedef struct SPVARDOTCURVES {
    void* next;
    char Resolution[SP_RESNAME_SIZE];
    SPVARDOTCURVE Single;
    SPVARDOTCURVE First;
    SPVARDOTCURVE Next;
} SPVARDOTCURVES;

/* One group of inks that are the same physical ink. */
typedef struct SPINKGROUP {
    int32_t InkCount;
    char* Inks[SP_MAX_GROUPINKS]; /* owned, terminated texts of any length */
} SPINKGROUP;

typedef struct SPSAMEINKS {
    uint8_t GroupCount;
    SPINKGROUP Groups[SP_MAX_INKGROUPS];
} SPSAMEINKS;

typedef struct SPINKTYPE {
    struct SPINKTYPE* next;
    uint32_t Type;
    uint32_t Reserved; /* set to 0 when read */
    char Name[SP_INKTYPE_NAME_SIZE];
    double Durability;
} SPINKTYPE;

typedef struct SPINKCFG {
    struct SPINKCFG* next; /* the engine's chaining slot; null in copies */
    char Name[SP_RESNAME_SIZE];
    uint8_t Reserved; /* the engine's; not read or written here */
    uint8_t NumColor;
    uint8_t NumSpotColor;
    uint8_t Photometric;
    uint8_t HiFiMode;
    uint8_t BlackAbility;
    uint8_t ProcBits;
    uint8_t OutputBits;
    SPINKUNITLUT* InkUnits;
    uint32_t ProcOpts;
    uint32_t InkType;
    uint8_t LabelVal;
    SPSAMEINKS* SameInks;
    uint8_t LevelLut[SP_LEVELLUT_ROWS][SP_LEVELLUT_SIZE];
    SPSPOTINKLEVEL ColorOrder;
    SPINKLEVEL MLInfo[SP_MAX_PROCCOLORS];
    uint8_t VarDotLevelCount;
    uint8_t VarDotLevels[SP_MAX_VARDOTLEVELS];
    void* VarDot; /* SPVARDOTCHANNELS or SPVARDOTCURVES, by VarDotOpts */
    uint32_t VarDotOpts;
} SPINKCFG;

/* One point of an ink curve: x and y are percentages scaled by 2.55. */
typedef struct SPPOINTDEF {
    uint8_t x;
    uint8_t y;
} SPPOINTDEF;

typedef struct SPCURVEDEF {
    SPPOINTDEF Points[SP_CURVE_POINTS];
} SPCURVEDEF;

typedef struct SPINKCURVE {
    void* Reserved; /* the engine's; not read or written here */
    char Resolution[SP_RESNAME_SIZE];
    uint8_t InkCount;
    char InkNames[SP_MAX_CURVEINKS][SP_INKNAME_SIZE];
    uint8_t CurveCounts[SP_MAX_CURVEINKS];
    SPCURVEDEF Curves[SP_MAX_CURVEINKS][SP_MAX_INKCURVES]; /* curve j of ink i */
} SPINKCURVE;

#ifdef __cplusplus
}  // extern "C"

#include <cstddef>
#include <map>
#include <string>

/* Byte-string order ignoring ASCII case, as the engine compares ink names:
 * both sides are lowered letter by letter and compared as unsigned bytes. */
struct SPInkNameLess {
    bool operator()(const std::string& left, const std::string& right) const {
        const std::size_t n = left.size() < right.size() ? left.size() : right.size();
        for (std::size_t i = 0; i < n; ++i) {
            unsigned char a = static_cast<unsigned char>(left[i]);
            unsigned char b = static_cast<unsigned char>(right[i]);
            if (a >= 'A' && a <= 'Z') {
                a = static_cast<unsigned char>(a - 'A' + 'a');
            }
            if (b >= 'A' && b <= 'Z') {
                b = static_cast<unsigned char>(b - 'A' + 'a');
            }
            if (a != b) {
                return a < b;
            }
        }
        return left.size() < right.size();
    }
};

/* The engine's map from ink name to level; "Cyan" and "CYAN" are one key. */
class SPINKLEVELEX : public std::map<std::string, int32_t, SPInkNameLess> {
  public:
    using std::map<std::string, int32_t, SPInkNameLess>::map;
};

static_assert(sizeof(SPPOINT) == 2 && sizeof(SPPOINTDEF) == 2, "points are two bytes");
static_assert(sizeof(SPCURVEDEF) == 128 && sizeof(SPPOINTCURVE) == 128, "64 points");
static_assert(sizeof(SPINKLEVEL) == 1 + 300 + 30, "a level table has no gaps");
#endif

#endif /* VEXA_ENGINE_ENGINEINK_H */
