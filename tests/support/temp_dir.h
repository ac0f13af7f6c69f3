#pragma once
// A fresh folder for one test, removed with everything in it when the test ends, however it ends.

#include <sys/stat.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace pm::test {

/** mkdtemp under /tmp; mode 0755 lets a case run as another user reach it. */
class TempDir {
  public:
    explicit TempDir(mode_t mode = 0700) {
        char templ[] = "/tmp/pm514rx-test-XXXXXX";
        if (::mkdtemp(templ) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = templ;
        ::chmod(templ, mode);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    [[nodiscard]] const std::filesystem::path& Path() const { return path_; }
    [[nodiscard]] std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

}  // namespace pm::test
