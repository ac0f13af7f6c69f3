// Names resolved part by part against the kernel's own resolution: a small tree of folders, files and
// links (all ours, so every link may be followed) is built from the input, then a name read both ways must
// give the same answer, and a name saved must read back what was saved, with no temporary file left.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/image/file_access.h"

namespace {

namespace fs = std::filesystem;

void Check(bool condition) {
    if (!condition) std::abort();
}

/** Takes bytes off the front of the fuzz input; zeros once it is used up. */
class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    unsigned Byte() { return used_ < size_ ? data_[used_++] : 0u; }

    /** A relative name of up to four parts from a, b, c and "."; never "..", so nothing leaves the tree. */
    std::string Name() {
        static const char* const kParts[] = {"a", "b", "c", "."};
        std::string name;
        const unsigned parts = 1 + Byte() % 4;
        for (unsigned i = 0; i < parts; ++i) name += (i ? "/" : "") + std::string(kParts[Byte() % 4]);
        if (Byte() % 8 == 0) name += "/";
        return name;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t used_ = 0;
};

/** What the kernel reads at name, following every link: the bytes, or "!" when it is no regular file. */
std::string KernelRead(const std::string& name) {
    const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return "!";
    struct stat info {};
    std::string bytes;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        char buffer[64];
        ssize_t n;
        while ((n = ::read(fd, buffer, sizeof buffer)) > 0) bytes.append(buffer, static_cast<std::size_t>(n));
    } else {
        bytes = "!";
    }
    ::close(fd);
    return bytes;
}

std::string OurRead(const std::string& name) {
    std::string bytes;
    return pm::ReadRegularFile(name, 4096, bytes).ok() ? bytes : "!";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One folder for the whole run, under /tmp (libFuzzer ends without running exit handlers).
    static const fs::path root = [] {
        char folder[] = "/tmp/pm514rx-fuzz-XXXXXX";
        Check(::mkdtemp(folder) != nullptr);
        return fs::path(folder);
    }();
    fs::remove_all(root / "t");
    fs::create_directory(root / "t");
    Check(::chdir((root / "t").c_str()) == 0);
    Input in(data, size);
    for (unsigned i = 0, n = in.Byte() % 8; i < n; ++i) {
        const std::string name = in.Name();
        std::error_code ec;
        switch (in.Byte() % 3) {
            case 0:
                fs::create_directories(name, ec);
                break;
            case 1:
                if (const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0644);
                    fd >= 0) {
                    Check(::write(fd, name.data(), name.size()) == static_cast<ssize_t>(name.size()));
                    ::close(fd);
                }
                break;
            default:
                fs::create_symlink(in.Name(), name, ec);
                break;
        }
    }
    const std::string name = in.Name();
    Check(OurRead(name) == KernelRead(name));
    const std::string saved = "saved:" + name;
    const pm::FileOutcome outcome =
        pm::SaveFileAtomically(name, {reinterpret_cast<const std::uint8_t*>(saved.data()), saved.size()});
    if (outcome.ok()) Check(OurRead(name) == saved && KernelRead(name) == saved);
    for (const auto& entry : fs::recursive_directory_iterator(root / "t"))
        Check(!entry.path().filename().string().starts_with(".pm514rx-"));
    return 0;
}
