#include "os/StandardInput.h"

#include <cerrno>

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
#if defined(_WIN32)
    const long count = _read(kStandardInput, buffer, size);
#else
    const long count = static_cast<long>(::read(kStandardInput, buffer, size));
#endif
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) {
        return -1;
    }
    return count < 0 ? 0 : count;
}

}  // namespace sim::os
