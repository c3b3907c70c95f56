// Files written whole: the new contents replace the old only once they are all on the disk.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/core/FileWrite.h"

namespace fs = std::filesystem;

namespace {

std::string Contents(const fs::path& Path)
{
    std::ifstream in(Path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Put(const fs::path& Path, const std::string& Data)
{
    std::ofstream(Path, std::ios::binary) << Data;
}

struct FileWrite : ::testing::Test {
    fs::path Folder = [] {
        char name[] = "/tmp/zel-filewrite-XXXXXX";
        return fs::path(::mkdtemp(name));
    }();
    ~FileWrite() override { fs::remove_all(Folder); }
    // The names in Folder, sorted, so that a temporary file left behind shows.
    std::string Names() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(Folder)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        std::string text;
        for (const auto& name : names) text += name + " ";
        return text;
    }
};

TEST_F(FileWrite, NewContentsReplaceTheOldAndKeepPermissionsAndLinks)
{
    // A new file.
    EXPECT_EQ(WriteFileAtomically((Folder / "new.txt").string(), "fresh"), "");
    EXPECT_EQ(Contents(Folder / "new.txt"), "fresh");
    // A private file stays private.
    Put(Folder / "private.txt", "old contents, longer than the new");
    fs::permissions(Folder / "private.txt", fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(WriteFileAtomically((Folder / "private.txt").string(), "new"), "");
    EXPECT_EQ(Contents(Folder / "private.txt"), "new");
    EXPECT_EQ(fs::status(Folder / "private.txt").permissions(), fs::perms::owner_read | fs::perms::owner_write);
    // A link stays a link, its target gets the data.
    fs::create_symlink("private.txt", Folder / "link.txt");
    EXPECT_EQ(WriteFileAtomically((Folder / "link.txt").string(), "through the link"), "");
    EXPECT_TRUE(fs::is_symlink(Folder / "link.txt"));
    EXPECT_EQ(Contents(Folder / "private.txt"), "through the link");
    // A device is written in place.
    EXPECT_EQ(WriteFileAtomically("/dev/null", "gone"), "");
    EXPECT_EQ(Names(), "link.txt new.txt private.txt ");
}

TEST_F(FileWrite, AFailedWriteKeepsTheOldFileAndLeavesNothingBehind)
{
    Put(Folder / "kept.txt", "the good file");
    fs::create_directory(Folder / "folder");
    EXPECT_EQ(WriteFileAtomically((Folder / "folder").string(), "x"), (Folder / "folder").string() + " is a directory");
    EXPECT_EQ(WriteFileAtomically((Folder / "none" / "x.txt").string(), "x"),
              "cannot create a file beside " + (Folder / "none" / "x.txt").string() + ": No such file or directory");
    EXPECT_EQ(WriteFileAtomically("/dev/full", "x"), "cannot write /dev/full: No space left on device");

    // A full disk, faked by a file size limit in a child process: the write fails with EFBIG.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const std::string problem = WriteFileAtomically((Folder / "kept.txt").string(), std::string(10000, 'x'));
        std::_Exit(problem == "cannot write " + (Folder / "kept.txt").string() + ": File too large" ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(Contents(Folder / "kept.txt"), "the good file");
    EXPECT_EQ(Names(), "folder kept.txt ");
}

} // namespace
