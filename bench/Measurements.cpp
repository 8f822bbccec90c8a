#include "bench/Measurements.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

namespace bench {
namespace {

double median(std::vector<double> v) {
    if (v.empty())
        return NAN;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double timeMs(const Side& side, int64_t& rows) {
    const auto start = std::chrono::steady_clock::now();
    rows = side.work();
    const auto stop = std::chrono::steady_clock::now();
    if (side.after)
        side.after();
    return std::chrono::duration<double, std::milli>(stop - start).count();
}

// A "Vm...:  1234 kB" line of /proc/self/status, in bytes.
int64_t statusBytes(const char* key) {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char line[256];
    int64_t value = -1;
    const size_t keyLength = std::strlen(key);
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, key, keyLength) == 0 && line[keyLength] == ':') {
            long long kb = 0;
            if (std::sscanf(line + keyLength + 1, "%lld", &kb) == 1)
                value = kb * 1024;
            break;
        }
    }
    std::fclose(f);
    return value;
}

// Makes the peak equal the current size (Linux 4.0 and later).
bool resetPeak() {
    const int fd = ::open("/proc/self/clear_refs", O_WRONLY);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, "5", 1) == 1;
    ::close(fd);
    return ok;
}

struct ChildReport {
    int64_t before, after, rows;
    int peakReset;
    char error[200];
};

QString perItem(double ms, int64_t items) {
    return items > 0 ? QString::number(ms * 1e6 / double(items), 'f', 1) : QStringLiteral("-");
}

} // namespace

double Comparison::ours() const { return median(oursMs); }
double Comparison::sqlite() const { return median(sqliteMs); }

double Comparison::ratio() const {
    if (!paired || oursMs.size() != sqliteMs.size())
        return ours() / sqlite();
    std::vector<double> ratios;
    for (size_t i = 0; i < oursMs.size(); ++i)
        ratios.push_back(oursMs[i] / sqliteMs[i]);
    return median(ratios);
}

Comparison compare(const QString& name, int runs, const Side& ours, const Side& sqlite, bool sqliteFirst) {
    Comparison c;
    c.name = name;
    for (int r = 0; r < runs; ++r) {
        if (sqliteFirst)
            c.sqliteMs.push_back(timeMs(sqlite, c.sqliteRows));
        c.oursMs.push_back(timeMs(ours, c.oursRows));
        if (!sqliteFirst)
            c.sqliteMs.push_back(timeMs(sqlite, c.sqliteRows));
    }
    return c;
}

int64_t peakMemory() { return statusBytes("VmHWM"); }

MemoryGrowth measureMemoryGrowth(const std::function<void()>& setup, const std::function<int64_t()>& work) {
    MemoryGrowth result;
    int fds[2];
    if (::pipe(fds) != 0) {
        result.error = QStringLiteral("pipe: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return result;
    }
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        result.error = QStringLiteral("fork: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        ::close(fds[0]);
        ::close(fds[1]);
        return result;
    }
    if (pid == 0) {
        ::close(fds[0]);
        ChildReport report{};
        try {
            setup();
            // Free heap pages the parent left behind, or the work would
            // reuse them without growing.
            ::malloc_trim(0);
            report.peakReset = resetPeak();
            report.before = report.peakReset ? statusBytes("VmHWM") : statusBytes("VmRSS");
            report.rows = work();
            report.after = statusBytes("VmHWM");
        } catch (const std::exception& e) {
            std::snprintf(report.error, sizeof report.error, "%s", e.what());
        }
        const ssize_t written = ::write(fds[1], &report, sizeof report);
        ::_exit(written == ssize_t(sizeof report) ? 0 : 1);
    }
    ::close(fds[1]);
    ChildReport report{};
    ssize_t got = 0;
    while (got < ssize_t(sizeof report)) {
        const ssize_t n = ::read(fds[0], reinterpret_cast<char*>(&report) + got, sizeof report - size_t(got));
        if (n <= 0)
            break;
        got += n;
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (got != ssize_t(sizeof report)) {
        result.error = QStringLiteral("the measuring child process failed");
        return result;
    }
    if (report.error[0]) {
        result.error = QString::fromUtf8(report.error);
        return result;
    }
    result.rows = report.rows;
    result.bytes = report.after - report.before;
    result.peakReset = report.peakReset;
    if (report.before >= 0 && report.after >= 0 && report.rows > 0)
        result.bytesPerItem = double(result.bytes) / double(report.rows);
    return result;
}

void printHeader() { std::printf("%-12s %10s %12s %12s\n", "operation", "ours ms", "SQLite ms", "ours/SQLite"); }

void printComparison(const Comparison& c) {
    const double ours = c.ours(), sqlite = c.sqlite();
    std::printf("%-12s %10.1f %12.1f %12.2f\n", qPrintable(c.name), ours, sqlite, c.ratio());
    std::fflush(stdout);
}

void printGrowth(const std::vector<GrowthRow>& rows) {
    std::printf("\ngrowth: time per item, ns (flat or slowly rising = n log n or better)\n");
    std::printf("%10s %12s %12s %12s %12s\n", "items", "open ours", "open SQLite", "search ours", "search SQLite");
    for (const GrowthRow& g : rows)
        std::printf("%10lld %12s %12s %12s %12s\n", static_cast<long long>(g.items),
                    qPrintable(perItem(g.open.ours(), g.items)), qPrintable(perItem(g.open.sqlite(), g.items)),
                    qPrintable(perItem(g.search.ours(), g.items)), qPrintable(perItem(g.search.sqlite(), g.items)));
    std::fflush(stdout);
}

} // namespace bench
