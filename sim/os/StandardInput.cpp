#include "os/StandardInput.h"

#include "os/Polling.h"

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace sim::os {

bool StandardStreamsAreTerminals()
{
#if defined(_WIN32)
    return _isatty(0) != 0 && _isatty(1) != 0;
#else
    return isatty(0) == 1 && isatty(1) == 1;
#endif
}

long ReadStandardInput(char* buffer, unsigned size)
{
    // Where the wait looks for input, reading takes it: on Windows a thread reads ahead for both.
    return ReadAvailable(kStandardInput, buffer, size);
}

}  // namespace sim::os
