#include "apps/zelgrid-demo/ReplaceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace {

std::string ErrorText(int Error) { return std::strerror(Error); }

std::string FolderOf(const std::string& Target)
{
    const std::filesystem::path path = Target;
    return path.has_parent_path() ? path.parent_path().string() : std::string(".");
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

std::string ReplaceFileContents(const std::string& Path, std::string_view Data)
{
    const std::string target = FileWriteTarget(Path);
    struct stat old {};
    // A rename would put a plain file where a fifo or a device was.
    if (::stat(target.c_str(), &old) == 0 && !S_ISREG(old.st_mode)) return target + " is " + FileKindText(old.st_mode);
    return WriteFileAtomically(target, Data);
}

std::string ReplaceDestinationProblem(const std::string& Path)
{
    if (Path.empty()) return "no file is named";
    const std::string target = FileWriteTarget(Path);
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
