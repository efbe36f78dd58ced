#include "StartupSteps.h"

#include <QString>

#include <cstdio>
#include <ctime>
#include <sys/resource.h>

namespace lyrovan {

void MarkStartupStep(const char* name)
{
    static const qint64 startNs = qEnvironmentVariable("LYROVAN_STARTUP_CLOCK").toLongLong();
    if (startNs <= 0)
        return;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double ms = double(qint64(now.tv_sec) * 1000000000LL + now.tv_nsec - startNs) / 1e6;
    std::fprintf(stderr, "step %s %.3f %ld\n", name, ms, usage.ru_minflt);
}

} // namespace lyrovan
