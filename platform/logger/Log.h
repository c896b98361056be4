// Diagnostics through wxLog with the record's file, line and qualified
// function name filled in. Use like wxLogDebug: VEXA_LOG_DEBUG("fmt %s", x).
#ifndef VEXA_LOGGER_LOG_H
#define VEXA_LOGGER_LOG_H

#include <wx/log.h>

// Informational and debug records are for a host that asked for them
// (wxLog::SetVerbose(true)); a host that sets nothing up sees warnings and
// errors only.
#define VEXA_LOG_AT(level)                                  \
    if (!wxLog::IsLevelEnabled((level), wxLOG_COMPONENT) || \
        ((level) >= wxLOG_Info && !wxLog::GetVerbose())) {  \
    } else                                                  \
        wxLogger((level), __FILE__, __LINE__, __PRETTY_FUNCTION__, wxLOG_COMPONENT).Log

#define VEXA_LOG_DEBUG VEXA_LOG_AT(wxLOG_Debug)
#define VEXA_LOG_INFO VEXA_LOG_AT(wxLOG_Info)
#define VEXA_LOG_WARNING VEXA_LOG_AT(wxLOG_Warning)
#define VEXA_LOG_ERROR VEXA_LOG_AT(wxLOG_Error)

#endif  // VEXA_LOGGER_LOG_H
