// How many processors this process may really use: the CPUs of its affinity
// mask (what a batch scheduler's task or taskset grants), bounded by a CPU
// quota of its control group where one is set (a container's CPU limit).
// A machine's core count alone would start a worker per core of a large
// node for a task granted one CPU.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

struct CpuBudget {
    unsigned affinity = 1;         // CPUs in the affinity mask
    std::optional<double> quota;  // CPUs' worth of time the control group allows, when limited
    unsigned Jobs() const;        // the smaller, rounded up, at least 1
    // "2 CPUs (affinity mask 16, control group quota 1.5)"
    std::string Describe() const;
};

// cgroupRoot and selfCgroup are the control group file system and the
// process's membership file; other values serve the tests.
CpuBudget FindCpuBudget(const std::filesystem::path& cgroupRoot = "/sys/fs/cgroup",
                        const std::filesystem::path& selfCgroup = "/proc/self/cgroup");
