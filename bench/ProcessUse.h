// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>
#include <fstream>
#include <string>

#include <sys/resource.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

// What a benchmark costs its process: CPU time of every thread and the
// peak of the resident set, for benchmarks that judge whole runs by the
// price a user pays for them.

namespace bench_support {

/// User and system CPU seconds of every thread of the process so far: a
/// run on two threads costs its user twice the wall time.
inline double processCpuSeconds() {
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return seconds(use.ru_utime) + seconds(use.ru_stime);
}

/// Linux keeps one peak of the resident set (VmHWM) per process; writing 5
/// to clear_refs resets it to the present resident set, so that each
/// benchmark reports its own peak. The heap that earlier benchmarks freed
/// stays resident until it is handed back, hence the trim first. Where the
/// reset is refused the peak is the process's so far.
inline bool resetPeakMemory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

/// A line of /proc/self/status in MB ("VmHWM", the peak resident set, or
/// "VmRSS", the present one; /proc gives kB), NaN when /proc cannot tell.
inline double statusMb(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key + ":", 0) == 0)
            return std::strtod(line.c_str() + key.size() + 1, nullptr) / 1024.0;
    }
    return NAN;
}

} // namespace bench_support
