#include "tests/support/ResidentMeter.h"

#include <fstream>
#include <stdexcept>
#include <string>

namespace {

// A "Name:   N kB" line of /proc/self/status, in bytes.
std::size_t StatusBytes(const std::string& name) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(name + ":", 0) == 0)
            return std::stoul(line.substr(name.size() + 1)) * 1024;
    throw std::runtime_error("/proc/self/status has no " + name);
}

} // namespace

std::size_t PeakResidentGrowth(const std::function<void()>& Run) {
    if (!(std::ofstream("/proc/self/clear_refs") << "5"))
        throw std::runtime_error("cannot reset the peak resident size");
    const std::size_t start = StatusBytes("VmRSS");
    Run();
    const std::size_t peak = StatusBytes("VmHWM");
    return peak > start ? peak - start : 0;
}
