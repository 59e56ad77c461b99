// The library's entry point: the host loads the plugin and the system notifies it of process
// attach and detach. On Windows this is DllMain; elsewhere the host's loader calls the same
// exported function with the same reasons.

#include "frame/Plugin.h"

#if defined(_WIN32)
#  ifndef WIN32_LEAN_AND_MEAN
#    define WIN32_LEAN_AND_MEAN
#  endif
#  include <windows.h>

// The C runtime's start-up code calls DllMain by its C name; compilers give that name C linkage
// on their own, but only by convention, so it is said here.
extern "C" BOOL APIENTRY DllMain(HMODULE /*module*/, DWORD reason, LPVOID /*reserved*/)
{
    return static_cast<BOOL>(OnEntryPointNotification(static_cast<unsigned long>(reason)));
}

#elif defined(__GNUC__)

extern "C" __attribute__((visibility("default"))) int DllMain(void* /*module*/, unsigned long reason, void* /*reserved*/)
{
    return OnEntryPointNotification(reason);
}

#else
#  error "the entry point is written for Windows and for g++"
#endif
