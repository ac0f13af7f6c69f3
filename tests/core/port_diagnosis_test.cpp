#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "core/safety/port_diagnosis.h"

namespace pm {
namespace {

TEST(PortDiagnosis, NoSuchDeviceNamesTheDevice) {
    const std::string text = ExplainOpenFailure("/dev/ttyUSB77", ENOENT);
    EXPECT_EQ(text.rfind("No such device: /dev/ttyUSB77. Check that the cable is plugged in.", 0), 0u) << text;
}

TEST(PortDiagnosis, PermissionDeniedNamesTheGroupAndCommand) {
    char path[] = "/tmp/pm514rx-port-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    // Give the node a group with a name, as /dev/ttyUSB0 has "dialout".
    const group* g = getgrnam("dialout");
    if (!g) g = getgrnam("tty");
    if (!g || chown(path, static_cast<uid_t>(-1), g->gr_gid) != 0) {
        unlink(path);
        GTEST_SKIP() << "no suitable group to give the test file";
    }
    const std::string text = ExplainOpenFailure(path, EACCES);
    unlink(path);
    EXPECT_NE(text.find("join the group '" + std::string(g->gr_name) + "'"), std::string::npos) << text;
    EXPECT_NE(text.find("sudo usermod -aG " + std::string(g->gr_name) + " $USER"), std::string::npos) << text;
}

TEST(PortDiagnosis, InUseNamesTheProcessHoldingIt) {
    char path[] = "/tmp/pm514rx-port-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    const pid_t child = fork();
    if (child == 0) {
        const int held = open(path, O_RDONLY);
        (void)held;
        execlp("sleep", "sleep", "30", static_cast<char*>(nullptr));
        _exit(1);
    }
    // Wait until the child holds the file.
    std::vector<PortHolder> holders;
    for (int i = 0; i < 200 && holders.empty(); ++i) {
        usleep(20000);
        holders = FindPortHolders(path);
    }
    const std::string text = ExplainOpenFailure(path, EBUSY);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    unlink(path);
    ASSERT_EQ(holders.size(), 1u);
    EXPECT_EQ(holders[0].pid, child);
    EXPECT_NE(text.find("is already in use by sleep (process " + std::to_string(child) + ")"), std::string::npos) << text;
}

}  // namespace
}  // namespace pm
