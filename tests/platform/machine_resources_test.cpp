#include "platform/machine_resources.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tests/support/temp_dir.h"

namespace {

constexpr std::int64_t kMiB = std::int64_t{1} << 20;
constexpr const char* kMeminfo16G =
    "MemTotal:       16777216 kB\nMemFree:  1000 kB\nMemAvailable:   12582912 kB\n";

struct MemoryCase {
    const char* name;
    std::string meminfo;
    std::string cgroup;                        // proc/self/cgroup
    std::map<std::string, std::string> files;  // under sys/fs/cgroup/
    std::int64_t group_limit;
    std::int64_t budget;
};

// The budget of a job is a quarter of the smallest of the machine and every group on the process's
// path, and never more than half of what is available now.
TEST(MachineResources, TheBudgetFollowsTheSmallestLimitOnTheGroupPathAndWhatIsAvailable) {
    const MemoryCase cases[] = {
        {"no group: a quarter of the machine", kMeminfo16G, "", {}, 0, 4096 * kMiB},
        {"a nested v2 group whose parent holds the limit (systemd-run -p MemoryMax=)",
         kMeminfo16G,
         "0::/user.slice/run-u5.scope\n",
         {{"user.slice/run-u5.scope/memory.max", "max\n"},
          {"user.slice/memory.max", "1717986918\n"}},
         1717986918,
         1717986918 / 4},
        {"a v1 memory group below an unlimited one (this kind of container)",
         kMeminfo16G,
         "9:name=systemd:/\n4:memory:/process_api/e06e\n3:cpuset:/\n0::/\n",
         {{"memory/memory.limit_in_bytes", "9223372036854771712\n"},
          {"memory/process_api/memory.limit_in_bytes", "2147483648\n"},
          {"memory/process_api/e06e/memory.limit_in_bytes", "9223372036854771712\n"}},
         2147483648,
         512 * kMiB},
        {"the host's group path seen from a container: the mount's own root counts",
         kMeminfo16G,
         "0::/docker/abc\n",
         {{"memory.max", "1073741824\n"}},
         1073741824,
         256 * kMiB},
        {"a limit above the machine changes nothing",
         kMeminfo16G,
         "0::/big\n",
         {{"big/memory.max", "68719476736\n"}},
         68719476736,
         4096 * kMiB},
        {"little available now: half of it",
         "MemTotal: 16777216 kB\nMemAvailable: 1048576 kB\n",
         "",
         {},
         0,
         512 * kMiB},
        {"nothing readable", "", "", {}, 0, 0},
    };
    for (const MemoryCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir root;
        ASSERT_TRUE(WriteTestFile(root / "proc/meminfo", c.meminfo));
        ASSERT_TRUE(WriteTestFile(root / "proc/self/cgroup", c.cgroup));
        for (const auto& [path, text] : c.files)
            ASSERT_TRUE(WriteTestFile(root / ("sys/fs/cgroup/" + path), text));
        const MemoryFigures figures = ReadMemoryFigures(root.Path());
        EXPECT_EQ(figures.group_limit, c.group_limit);
        EXPECT_EQ(JobMemoryBudget(figures), c.budget);
    }
}

}  // namespace
