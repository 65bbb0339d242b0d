#include "render/CpuBudget.h"

#include <sched.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

std::string FirstLine(const std::filesystem::path& file)
{
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// A quota of quota microseconds in every period: CPUs' worth of time.
std::optional<double> QuotaOf(long long quota, long long period)
{
    if (quota <= 0 || period <= 0)
        return std::nullopt;
    return double(quota) / double(period);
}

std::optional<double> Smaller(std::optional<double> a, std::optional<double> b)
{
    if (!a)
        return b;
    if (!b)
        return a;
    return std::min(*a, *b);
}

// Version 2: "QUOTA PERIOD" or "max PERIOD" in cpu.max of the group and of
// every group above it, each a limit of its own.
std::optional<double> UnifiedQuota(const std::filesystem::path& root, std::filesystem::path group)
{
    std::optional<double> quota;
    for (;;) {
        std::istringstream fields(FirstLine(root / group.relative_path() / "cpu.max"));
        std::string limit;
        long long period = 0;
        if (fields >> limit >> period && limit != "max")
            quota = Smaller(quota, QuotaOf(std::atoll(limit.c_str()), period));
        if (!group.has_relative_path() || group == group.root_path())
            return quota;
        group = group.parent_path();
    }
}

// Version 1: cpu.cfs_quota_us (-1 for none) and cpu.cfs_period_us of the
// group in the cpu controller's hierarchy.
std::optional<double> LegacyQuota(const std::filesystem::path& root, const std::filesystem::path& group)
{
    for (const char* mount : {"cpu,cpuacct", "cpu"}) {
        const std::filesystem::path folder = root / mount / group.relative_path();
        const std::string quota = FirstLine(folder / "cpu.cfs_quota_us");
        if (!quota.empty())
            return QuotaOf(std::atoll(quota.c_str()), std::atoll(FirstLine(folder / "cpu.cfs_period_us").c_str()));
    }
    return std::nullopt;
}

}  // namespace

unsigned CpuBudget::Jobs() const
{
    unsigned jobs = affinity;
    if (quota)
        jobs = std::min(jobs, unsigned(std::ceil(*quota - 1e-9)));
    return std::max(jobs, 1u);
}

std::string CpuBudget::Describe() const
{
    const unsigned jobs = Jobs();
    std::string text = std::to_string(jobs) + (jobs == 1 ? " CPU" : " CPUs") + " (affinity mask " +
                       std::to_string(affinity);
    if (quota) {
        char amount[32];
        std::snprintf(amount, sizeof amount, "%g", *quota);
        text += std::string(", control group quota ") + amount;
    }
    return text + ")";
}

CpuBudget FindCpuBudget(const std::filesystem::path& cgroupRoot, const std::filesystem::path& selfCgroup)
{
    CpuBudget budget;
    cpu_set_t set;
    CPU_ZERO(&set);
    budget.affinity = sched_getaffinity(0, sizeof set, &set) == 0 ? unsigned(CPU_COUNT(&set))
                                                                   : std::max(1u, std::thread::hardware_concurrency());
    // "0::/path" for version 2, "N:cpu,cpuacct:/path" for version 1.
    std::ifstream membership(selfCgroup);
    for (std::string line; std::getline(membership, line);) {
        const std::size_t first = line.find(':'), second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos)
            continue;
        const std::string controllers = line.substr(first + 1, second - first - 1);
        const std::filesystem::path group = line.substr(second + 1);
        if (controllers.empty())
            budget.quota = Smaller(budget.quota, UnifiedQuota(cgroupRoot, group));
        else if (("," + controllers + ",").find(",cpu,") != std::string::npos)
            budget.quota = Smaller(budget.quota, LegacyQuota(cgroupRoot, group));
    }
    return budget;
}
