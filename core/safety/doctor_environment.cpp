// The doctor's view of this machine: kept apart so that a build without a POSIX system can leave it out.

#include <pwd.h>
#include <unistd.h>

#include "core/safety/cable_doctor.h"

namespace pm {

DoctorEnvironment LocalEnvironment() {
    DoctorEnvironment env;
    std::vector<char> buffer(16384);
    passwd pw{};
    passwd* found = nullptr;
    if (getpwuid_r(::geteuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found != nullptr)
        env.user = pw.pw_name;
    env.processGroups.push_back(::getegid());
    const int n = ::getgroups(0, nullptr);
    if (n > 0) {
        std::vector<gid_t> groups(static_cast<std::size_t>(n));
        const int got = ::getgroups(n, groups.data());
        for (int i = 0; i < got; ++i) env.processGroups.push_back(groups[static_cast<std::size_t>(i)]);
    }
    return env;
}

}  // namespace pm
