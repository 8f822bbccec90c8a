#include "platform/ChildProcess.h"

#include <QProcess>

#include <csignal>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace platform {

struct ChildLimits::Private {
    rlim_t memory, processor;
};

ChildLimits::ChildLimits(qint64 memoryBytes, int processorSeconds)
    : d(new Private{rlim_t(memoryBytes), rlim_t(processorSeconds)}) {}

ChildLimits::~ChildLimits() = default;

void ChildLimits::prepare(QProcess& process) {
    process.setChildProcessModifier([limits = *d, parent = ::getpid()] {
        // In the child, before its program starts.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) // the program ended before the line above
            ::_exit(127);
        const rlimit processor{limits.processor, limits.processor};
        const rlimit core{0, 0};
#ifndef __SANITIZE_ADDRESS__ // AddressSanitizer reserves far more address space than any limit allows
        const rlimit memory{limits.memory, limits.memory};
        setrlimit(RLIMIT_AS, &memory);
#endif
        setrlimit(RLIMIT_CPU, &processor);
        setrlimit(RLIMIT_CORE, &core);
    });
}

void ChildLimits::started(QProcess&) {}

} // namespace platform
