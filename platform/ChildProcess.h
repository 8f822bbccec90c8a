#pragma once
// Limits for a child process that reads untrusted files: memory, processor
// time, no core file, and its end when the program that started it ends,
// however that ends. POSIX: resource limits and the parent-death signal;
// Windows: a job object the child is put into.
#include <QtGlobal>

#include <memory>

class QProcess;

namespace platform {

class ChildLimits {
public:
    ChildLimits(qint64 memoryBytes, int processorSeconds);
    ~ChildLimits();
    ChildLimits(const ChildLimits&) = delete;
    ChildLimits& operator=(const ChildLimits&) = delete;
    // Before process starts, and as soon as it has.
    void prepare(QProcess& process);
    void started(QProcess& process);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace platform
