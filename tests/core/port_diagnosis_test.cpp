#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <optional>

#include "core/safety/port_diagnosis.h"

namespace pm {
namespace {

/** A file in /tmp standing in for a device node; removed at the end. */
class FakeDevice {
  public:
    FakeDevice() {
        char path[] = "/tmp/pm514rx-port-XXXXXX";
        fd_ = mkstemp(path);
        path_ = path;
    }
    ~FakeDevice() {
        if (fd_ >= 0) close(fd_);
        unlink(path_.c_str());
    }
    [[nodiscard]] const std::string& Path() const { return path_; }
    void CloseOurs() {
        close(fd_);
        fd_ = -1;
    }

  private:
    int fd_ = -1;
    std::string path_;
};

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
}

struct ErrnoRow {
    const char* name;
    const char* device;
    int error;
    const char* expectedStart;
};

void PrintTo(const ErrnoRow& row, std::ostream* os) {
    *os << row.name;
}

class ExplainErrno : public ::testing::TestWithParam<ErrnoRow> {};

TEST_P(ExplainErrno, NamesTheCauseAndTheDevice) {
    const ErrnoRow& row = GetParam();
    const std::string text = ExplainOpenFailure(row.device, row.error);
    if (*row.expectedStart == '\0') {
        EXPECT_EQ(text, "");
    }
    EXPECT_TRUE(StartsWith(text, row.expectedStart)) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ExplainErrno,
    ::testing::Values(
        ErrnoRow{"NothingFailed", "/dev/ttyUSB0", 0, ""},
        ErrnoRow{"NoSuchDevice", "/dev/ttyUSB77", ENOENT,
                 "No such device: /dev/ttyUSB77. Check that the cable is plugged in."},
        ErrnoRow{"DeviceGone", "/dev/ttyUSB0", ENXIO, "No such device: /dev/ttyUSB0."},
        ErrnoRow{"ComPortWithoutHardware", "/dev/ttyS3", EIO, "/dev/ttyS3 has no serial port behind it."},
        ErrnoRow{"NotATerminal", "/home/me/plan.sin", ENOTTY, "/home/me/plan.sin is not a serial port."},
        ErrnoRow{"AnythingElseGetsTheSystemsWords", "/dev/x", ELOOP,
                 "/dev/x: Too many levels of symbolic links"}),
    [](const auto& info) { return std::string(info.param.name); });

/** Runs explain in a child with other identities; its text comes back through a pipe. */
std::string InChild(const std::function<bool()>& become, const std::function<std::string()>& explain) {
    int fds[2];
    if (pipe(fds) != 0) return "pipe failed";
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        const std::string text = become() ? explain() : std::string("could not change identity");
        const ssize_t n = write(fds[1], text.data(), text.size());
        _exit(n == static_cast<ssize_t>(text.size()) ? 0 : 1);
    }
    close(fds[1]);
    std::string text;
    char buffer[512];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<std::size_t>(n));
    close(fds[0]);
    waitpid(child, nullptr, 0);
    return text;
}

TEST(PortDiagnosis, PermissionDeniedSaysWhichGroupAndWhatToDo) {
    if (geteuid() != 0) GTEST_SKIP() << "changing groups needs root";
    const group* dialout = getgrnam("dialout");
    if (dialout == nullptr) GTEST_SKIP() << "no dialout group here";
    const gid_t gid = dialout->gr_gid;
    FakeDevice device;
    ASSERT_EQ(chown(device.Path().c_str(), 0, gid), 0);
    ASSERT_EQ(chmod(device.Path().c_str(), 0600), 0);
    const auto explain = [&] { return ExplainOpenFailure(device.Path(), EACCES); };

    // Not in the group: join it.
    const std::string outsider = InChild([] { return setgroups(0, nullptr) == 0; }, explain);
    EXPECT_EQ(outsider,
              "Permission denied on " + device.Path() +
                  ": join the group 'dialout' (sudo usermod -aG dialout $USER), then log out and in again.");

    // In the group, and still refused: the device's mode is the culprit.
    const std::string member = InChild([gid] { return setgroups(1, &gid) == 0; }, explain);
    EXPECT_EQ(
        member,
        "Permission denied on " + device.Path() +
            " although this program runs in its group 'dialout': the device's mode 0600 does not let the "
            "group read and write it (sudo chmod g+rw " +
            device.Path() + ").");
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
    ASSERT_EQ(chown(device.Path().c_str(), 0, listed->first), 0);
    const std::string text =
        InChild([&] { return setgroups(0, nullptr) == 0 && setgid(primary) == 0 && setuid(uid) == 0; },
                [&] { return ExplainOpenFailure(device.Path(), EACCES); });
    EXPECT_EQ(text, "Permission denied on " + device.Path() + ": you were added to the group '" +
                        listed->second +
                        "' after this login started; log out and in again (or start a shell with: newgrp " +
                        listed->second + ").");
}

TEST(PortDiagnosis, InUseByThisProgramOrByNobodyWeCanSee) {
    FakeDevice device;  // held open by this process
    EXPECT_EQ(ExplainOpenFailure(device.Path(), EBUSY),
              device.Path() + " is already in use by this program (process " + std::to_string(getpid()) +
                  "). Close it and try again.");
    device.CloseOurs();
    EXPECT_EQ(ExplainOpenFailure(device.Path(), EBUSY),
              device.Path() + " is already in use by another program. Close it and try again.");
}

}  // namespace
}  // namespace pm
