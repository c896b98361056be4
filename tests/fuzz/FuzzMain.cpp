// Process set-up of every fuzzing executable (not part of the replay test,
// whose main() in tests/common does the same).
#include <wx/init.h>
#include <wx/log.h>

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // wxWidgets stays initialised for the life of the process: the fuzzer
    // leaves through exit() and never returns here.
    static wxInitializer* const initializer = new wxInitializer;
    if (!initializer->IsOk()) {
        std::fprintf(stderr, "wxWidgets could not be initialised\n");
        std::exit(2);
    }
    // The library logs every refused input; millions of them would drown
    // the fuzzer's own output and slow it down.
    wxLog::EnableLogging(false);
    return 0;
}
