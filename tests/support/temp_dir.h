#pragma once
// A fresh folder for one test, removed with all in it however the test ends; whole files read and written.

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
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

/** A whole file's bytes; empty when it cannot be read. */
inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

/** Makes or replaces a file with bytes. */
inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace pm::test
