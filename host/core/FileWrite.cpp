#include "host/core/FileWrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string Failure(const std::string& What, const std::string& Path, int Error)
{
    return What + " " + Path + ": " + std::strerror(Error);
}

// Writes all of Data to Fd; 0 or the errno of the write that failed.
int WriteAll(int Fd, std::string_view Data)
{
    while (!Data.empty()) {
        const ssize_t written = ::write(Fd, Data.data(), Data.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        Data.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

// A device, a pipe or a socket has no folder entry to replace: it is written in place.
std::string WriteInPlace(const std::string& Path, std::string_view Data)
{
    const int fd = ::open(Path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return Failure("cannot open", Path, errno);
    const int error = WriteAll(fd, Data);
    const int closed = ::close(fd) < 0 ? errno : 0;
    if (error || closed) return Failure("cannot write", Path, error ? error : closed);
    return {};
}

// A new file next to Target, created with the permissions a new file gets (the umask applies);
// -1 with errno set when none can be made.
int CreateTemporary(const fs::path& Target, std::string& Name)
{
    static std::atomic<unsigned> serial{0};
    const fs::path folder = Target.has_parent_path() ? Target.parent_path() : fs::path(".");
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string leaf = std::string(".").append(Target.filename().string());
        leaf.append(".").append(std::to_string(::getpid())).append("-").append(std::to_string(serial++)).append(".tmp");
        Name = (folder / leaf).string();
        const int fd = ::open(Name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

} // namespace

std::string FileWriteTarget(const std::string& Path)
{
    std::error_code error;
    fs::path target = Path;
    for (int hops = 0; hops < 16 && fs::is_symlink(target, error); ++hops) {
        const fs::path link = fs::read_symlink(target, error);
        if (error) break;
        target = link.is_absolute() ? link : target.parent_path() / link;
    }
    return target.string();
}

std::string WriteFileAtomically(const std::string& Path, std::string_view Data)
{
    struct stat old {};
    const bool exists = ::stat(Path.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) return Failure("cannot write", Path, errno);
    if (exists && S_ISDIR(old.st_mode)) return Path + " is a directory";
    if (exists && !S_ISREG(old.st_mode)) return WriteInPlace(Path, Data);

    const fs::path target = FileWriteTarget(Path);
    std::string temporary;
    const int fd = CreateTemporary(target, temporary);
    if (fd < 0) return Failure("cannot create a file beside", Path, errno);
    if (exists) {
        // The new file takes the old one's owner (where allowed) and permissions; where it
        // cannot, it keeps the writer's.
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
            [[maybe_unused]] const int owned = ::fchown(fd, old.st_uid, old.st_gid);
        }
        [[maybe_unused]] const int permitted = ::fchmod(fd, old.st_mode & 07777);
    }
    int error = WriteAll(fd, Data);
    // The data reaches the disk before the name does, so that a crash leaves the old file or the
    // new one, never an empty one.
    if (!error && ::fsync(fd) < 0) error = errno;
    if (::close(fd) < 0 && !error) error = errno;
    if (!error && ::rename(temporary.c_str(), target.c_str()) < 0) error = errno;
    if (error) {
        ::unlink(temporary.c_str());
        return Failure("cannot write", Path, error);
    }
    return {};
}
