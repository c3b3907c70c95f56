#include "apps/zelgrid-demo/ReplaceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string ErrorText(int Error) { return std::strerror(Error); }

std::string FolderOf(const fs::path& Target)
{
    return Target.has_parent_path() ? Target.parent_path().string() : std::string(".");
}

// Writes all of Data to Fd; false with errno set when a write fails (a full disk among others).
bool WriteAll(int Fd, std::string_view Data)
{
    while (!Data.empty()) {
        const ssize_t n = ::write(Fd, Data.data(), Data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        Data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

const char* FileKindText(mode_t Mode)
{
    if (S_ISREG(Mode)) return "a regular file";
    if (S_ISDIR(Mode)) return "a directory";
    if (S_ISFIFO(Mode)) return "a fifo";
    if (S_ISCHR(Mode)) return "a character device";
    if (S_ISBLK(Mode)) return "a block device";
    if (S_ISSOCK(Mode)) return "a socket";
    return "not a regular file";
}

std::string ReplaceTarget(const std::string& Path)
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

std::string ReplaceFileContents(const std::string& Path, std::string_view Data)
{
    const std::string target = ReplaceTarget(Path);
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    // A rename would put a plain file where a fifo or a device was.
    if (exists && !S_ISREG(old.st_mode)) return target + " is " + FileKindText(old.st_mode);

    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = target + "." + std::to_string(::getpid()) + (attempt ? "-" + std::to_string(attempt) : "") + ".new";
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return "cannot create a temporary file in " + FolderOf(target) + ": " + ErrorText(errno);
    // The file keeps the permissions it had (a private file stays private).
    if (exists) (void)::fchmod(fd, old.st_mode & 07777);
    int error = WriteAll(fd, Data) && ::fsync(fd) == 0 ? 0 : errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error) {
        const std::string message = "writing " + temporary + " failed: " + ErrorText(error);
        ::unlink(temporary.c_str());
        return message;
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        const std::string message = "cannot replace " + target + ": " + ErrorText(errno);
        ::unlink(temporary.c_str());
        return message;
    }
    return {};
}

std::string ReplaceDestinationProblem(const std::string& Path)
{
    if (Path.empty()) return "no file is named";
    const std::string target = ReplaceTarget(Path);
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return target + " is " + FileKindText(st.st_mode);
        if (::access(target.c_str(), W_OK) != 0) return target + " cannot be written: " + ErrorText(errno);
    } else if (errno != ENOENT) {
        return "cannot reach " + target + ": " + ErrorText(errno);
    }
    // The temporary file is made in the same folder, and the rename needs to write that folder.
    const std::string folder = FolderOf(target);
    if (::stat(folder.c_str(), &st) != 0) return "the folder " + folder + " cannot be reached: " + ErrorText(errno);
    if (!S_ISDIR(st.st_mode)) return folder + " is no folder";
    if (::access(folder.c_str(), W_OK | X_OK) != 0) return "the folder " + folder + " cannot be written: " + ErrorText(errno);
    return {};
}
