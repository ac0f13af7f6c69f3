#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <tuple>
#include <utility>

#include "core/safety/port_diagnosis.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace pm {
namespace {

/** A file standing in for a device node, held open by this process until closed. */
struct FakeDevice {
    ~FakeDevice() { ::close(fd); }
    test::TempDir dir{0755};  // others may look inside: the explanations run as other users too
    std::string path = (dir / "ttyFAKE0").string();
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
};

// Each cause in the user's words, with the device named.
TEST(PortDiagnosis, ExplainsEachErrno) {
    // clang-format off
    const std::tuple<const char*, int, const char*> rows[] = {
        {"/dev/ttyUSB77", ENOENT, "No such device: /dev/ttyUSB77. Check that the cable is plugged in."},
        {"/dev/ttyUSB0", ENXIO, "No such device: /dev/ttyUSB0."},
        {"/dev/ttyS3", EIO, "/dev/ttyS3 has no serial port behind it."},
        {"/home/me/plan.sin", ENOTTY, "/home/me/plan.sin is not a serial port."},
        {"/dev/x", ELOOP, "/dev/x: Too many levels of symbolic links"},  // the system's own words
    };
    // clang-format on
    for (const auto& [device, error, start] : rows)
        EXPECT_TRUE(ExplainOpenFailure(device, error).starts_with(start)) << device;
    EXPECT_EQ(ExplainOpenFailure("/dev/ttyUSB0", 0), "");
}

TEST(PortDiagnosis, PermissionDeniedSaysWhichGroupAndWhatToDo) {
    if (geteuid() != 0) GTEST_SKIP() << "changing groups needs root";
    const group* dialout = getgrnam("dialout");
    if (dialout == nullptr) GTEST_SKIP() << "no dialout group here";
    const gid_t gid = dialout->gr_gid;
    FakeDevice device;
    ASSERT_EQ(chown(device.path.c_str(), 0, gid), 0);
    ASSERT_EQ(chmod(device.path.c_str(), 0600), 0);
    const auto explain = [&] { return ExplainOpenFailure(device.path, EACCES); };

    // Not in the group: join it.
    const std::string outsider = test::InChild([] { return setgroups(0, nullptr) == 0; }, explain);
    EXPECT_EQ(outsider,
              "Permission denied on " + device.path +
                  ": join the group 'dialout' (sudo usermod -aG dialout $USER), then log out and in again.");

    // In the group, and still refused: the device's mode is the culprit.
    const std::string member = test::InChild([gid] { return setgroups(1, &gid) == 0; }, explain);
    EXPECT_EQ(
        member,
        "Permission denied on " + device.path +
            " although this program runs in its group 'dialout': the device's mode 0600 does not let the "
            "group read and write it (sudo chmod g+rw " +
            device.path + ").");
}

// A pseudo-terminal of group tty opens for its owner alone: no group to join would help.
TEST(PortDiagnosis, PermissionDeniedOnAnotherUsersTerminalNamesItsOwner) {
    const test::RawPty pty;
    const std::string text = ExplainOpenFailure(pty.path, EACCES);
    const passwd* me = getpwuid(geteuid());
    ASSERT_NE(me, nullptr);
    EXPECT_EQ(text, "Permission denied on " + pty.path + ": it is a pseudo-terminal of user '" + me->pw_name +
                        "', and only its owner may open it.");
}

TEST(PortDiagnosis, PermissionDeniedAfterJoiningWithoutLoggingInAgain) {
    if (geteuid() != 0) GTEST_SKIP() << "changing users needs root";
    // Any user listed as a member of a group it is not running in shows the case.
    std::optional<std::pair<gid_t, std::string>> listed;
    uid_t uid = 0;
    gid_t primary = 0;
    setgrent();
    for (const group* g = getgrent(); g != nullptr && !listed; g = getgrent()) {
        for (char** m = g->gr_mem; g->gr_gid != 0 && m != nullptr && *m != nullptr; ++m) {
            const passwd* pw = getpwnam(*m);
            if (pw == nullptr || pw->pw_uid == 0 || pw->pw_gid == g->gr_gid) continue;
            listed.emplace(g->gr_gid, g->gr_name);
            uid = pw->pw_uid;
            primary = pw->pw_gid;
            break;
        }
    }
    endgrent();
    if (!listed) GTEST_SKIP() << "no group here lists a member";
    FakeDevice device;
    ASSERT_EQ(chown(device.path.c_str(), 0, listed->first), 0);
    const std::string text =
        test::InChild([&] { return setgroups(0, nullptr) == 0 && setgid(primary) == 0 && setuid(uid) == 0; },
                      [&] { return ExplainOpenFailure(device.path, EACCES); });
    EXPECT_EQ(text, "Permission denied on " + device.path + ": you were added to the group '" +
                        listed->second +
                        "' after this login started; log out and in again (or start a shell with: newgrp " +
                        listed->second + ").");
}

TEST(PortDiagnosis, InUseByThisProgramOrByNobodyWeCanSee) {
    FakeDevice device;  // held open by this process
    EXPECT_EQ(ExplainOpenFailure(device.path, EBUSY),
              device.path + " is already in use by this program (process " + std::to_string(getpid()) +
                  "). Close it and try again.");
    ::close(std::exchange(device.fd, -1));
    EXPECT_EQ(ExplainOpenFailure(device.path, EBUSY),
              device.path + " is already in use by another program. Close it and try again.");
}

}  // namespace
}  // namespace pm
