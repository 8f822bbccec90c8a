#include "platform/ChildProcess.h"

#include <QProcess>

#include <windows.h>

namespace platform {

struct ChildLimits::Private {
    HANDLE job = nullptr;
};

ChildLimits::ChildLimits(qint64 memoryBytes, int processorSeconds) : d(new Private) {
    d->job = CreateJobObjectW(nullptr, nullptr);
    if (!d->job)
        return;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    // Closing the job's last handle ends the child: when this program ends,
    // however it ends, the system closes that handle.
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_PROCESS_MEMORY | JOB_OBJECT_LIMIT_PROCESS_TIME
                                              | JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE
                                              | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
    limits.ProcessMemoryLimit = SIZE_T(memoryBytes);
    limits.BasicLimitInformation.PerProcessUserTimeLimit.QuadPart = LONGLONG(processorSeconds) * 10'000'000;
    SetInformationJobObject(d->job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
}

ChildLimits::~ChildLimits() {
    if (d->job)
        CloseHandle(d->job);
}

void ChildLimits::prepare(QProcess&) {}

void ChildLimits::started(QProcess& process) {
    if (!d->job)
        return;
    if (HANDLE child = OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE, DWORD(process.processId()))) {
        AssignProcessToJobObject(d->job, child);
        CloseHandle(child);
    }
}

} // namespace platform
