// zelform: converts form files between the binary and the text form, and checks that a form
// reads into live components.
//
//   zelform to-text FILE [OUT]     the text form of FILE (binary or text)
//   zelform to-binary FILE [OUT]   the binary form of FILE (binary or text)
//   zelform check FILE             reads FILE and prints its components, layouts and columns
//
// Exit codes: 0 success, 1 a bad or unreadable form file, 2 bad use.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "apps/zelform/FormTree.h"
#include "host/core/Exceptions.h"
#include "host/core/FileWrite.h"
#include "host/streaming/Filer.h"
#include "host/streaming/FormText.h"
#include "zelgrid/Zelgrid.h"

namespace {

// Larger files are refused before they are read into memory.
constexpr std::size_t MaxFileSize = std::size_t{256} << 20;

const char* const Usage = R"(usage: zelform to-text FILE [OUT]
       zelform to-binary FILE [OUT]
       zelform check FILE
       zelform --help

  to-text     writes the text form of FILE (binary or text) to OUT or standard output
  to-binary   writes the binary form of FILE (binary or text) to OUT or standard output
  check       reads FILE into live components and prints their tree, with each grid's
              layouts, columns, the values assigned to them and the properties they store

OUT is replaced only once the whole output is written; a failed write leaves it as it was.

Exit codes: 0 success, 1 a bad or unreadable form file or a failed write (the message names
the byte offset or the line and column of a fault in the file), 2 bad use.
)";

struct TFailure {
    std::string Message;
};

std::string SystemFailure(const std::string& What, const std::string& Path)
{
    return What + " " + Path + ": " + std::strerror(errno);
}

// Closes a file descriptor on leaving.
struct TFileCloser {
    int Fd;
    ~TFileCloser() { ::close(Fd); }
};

// The whole of a file; a pipe or a device is read to its end.
std::string ReadFile(const std::string& Path)
{
    const int fd = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw TFailure{SystemFailure("cannot open", Path)};
    const TFileCloser closer{fd};
    struct stat status {};
    if (::fstat(fd, &status) < 0) throw TFailure{SystemFailure("cannot read", Path)};
    if (S_ISDIR(status.st_mode)) throw TFailure{Path + " is a directory, not a form file"};
    if (S_ISREG(status.st_mode) && static_cast<std::uintmax_t>(status.st_size) > MaxFileSize)
        throw TFailure{Path + " is larger than 256 MiB"};
    std::string data;
    if (S_ISREG(status.st_mode)) data.reserve(static_cast<std::size_t>(status.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0) return data;
        if (got < 0) {
            if (errno == EINTR) continue;
            throw TFailure{SystemFailure("cannot read", Path)};
        }
        if (data.size() + static_cast<std::size_t>(got) > MaxFileSize) throw TFailure{Path + " is larger than 256 MiB"};
        data.append(buffer, static_cast<std::size_t>(got));
    }
}

// Standard output is checked after the flush: a full disk or a closed pipe is a failure.
void WriteStandardOutput(std::string_view Data)
{
    errno = 0;
    const bool written = std::fwrite(Data.data(), 1, Data.size(), stdout) == Data.size();
    if (std::fflush(stdout) == 0 && written && !std::ferror(stdout)) return;
    throw TFailure{std::string("cannot write to standard output") + (errno ? std::string(": ") + std::strerror(errno) : "")};
}

void WriteOutput(const std::vector<std::string>& Args, const std::string& Data)
{
    if (Args.size() < 3) return WriteStandardOutput(Data);
    const std::string problem = WriteFileAtomically(Args[2], Data);
    if (!problem.empty()) throw TFailure{problem};
}

std::string ToBinary(const std::string& Data)
{
    if (IsTextForm(Data)) return ObjectTextToBinary(Data);
    // Converting checks the whole binary form.
    ObjectBinaryToText(Data);
    return Data;
}

int Run(const std::vector<std::string>& Args)
{
    const std::string& command = Args[0];
    const std::string data = ReadFile(Args[1]);
    if (command == "to-text") {
        WriteOutput(Args, ObjectBinaryToText(ToBinary(data)));
    } else if (command == "to-binary") {
        WriteOutput(Args, ToBinary(data));
    } else {
        THandlerTable handlers;
        handlers.AcceptUnknown = true;
        std::unique_ptr<TComponent> form(ReadForm(data, nullptr, &handlers));
        WriteStandardOutput(FormTree(form.get()));
    }
    return 0;
}

} // namespace

int main(int Argc, char** Argv)
{
    const std::vector<std::string> args(Argv + 1, Argv + Argc);
    const bool help = args.size() == 1 && (args[0] == "--help" || args[0] == "-h");
    const bool known = !args.empty() && (args[0] == "to-text" || args[0] == "to-binary" || args[0] == "check");
    const std::size_t most = !args.empty() && args[0] == "check" ? 2 : 3;
    if (!help && (!known || args.size() < 2 || args.size() > most)) {
        std::fputs(Usage, stderr);
        return 2;
    }
    try {
        if (help) {
            WriteStandardOutput(Usage);
            return 0;
        }
        RegisterZelGridProperties();
        return Run(args);
    } catch (const TFailure& F) {
        std::fprintf(stderr, "zelform: %s\n", PrintableText(F.Message).c_str());
    } catch (const Exception& E) {
        std::fprintf(stderr, "zelform: %s: %s\n", PrintableText(args[1]).c_str(), PrintableText(E.what()).c_str());
    } catch (const std::exception& E) {
        // Out of memory and the like: still a message and a failure, never an abort.
        std::fprintf(stderr, "zelform: %s: %s\n", PrintableText(args[1]).c_str(), E.what());
    }
    return 1;
}
