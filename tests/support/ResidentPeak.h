#pragma once

// The process's peak resident memory, for the tests and benchmarks that bound it (Linux 4.0
// and later). Header only, so that the benchmarks take it without the test support library.

#include <QtGlobal>

#include <fstream>
#include <malloc.h>
#include <string>

// Peak resident memory in KiB since the last reset; -1 when the system does not tell.
inline qint64 residentPeakKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stoll(line.substr(6));
    }
    return -1;
}

// Makes the next peak start from the memory in use now; what was freed goes back to the
// system first, so that it counts again when it is taken again.
inline void resetResidentPeak()
{
    ::malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
}
