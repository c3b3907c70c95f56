// zelform: converts form files between the binary and the text form, and checks that a form
// reads into live components.
//
//   zelform to-text FILE [OUT]     the text form of FILE (binary or text)
//   zelform to-binary FILE [OUT]   the binary form of FILE (binary or text)
//   zelform check FILE             reads FILE and prints its components, layouts and columns
//
// Exit codes: 0 success, 1 a bad or unreadable form file, 2 bad use.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "apps/zelform/FormTree.h"
#include "host/core/Exceptions.h"
#include "host/streaming/Filer.h"
#include "host/streaming/FormText.h"
#include "zelgrid/Zelgrid.h"

namespace {

// Larger files are refused before they are read into memory.
constexpr std::streamoff MaxFileSize = std::streamoff{256} << 20;

const char* const Usage = R"(usage: zelform to-text FILE [OUT]
       zelform to-binary FILE [OUT]
       zelform check FILE
       zelform --help

  to-text     writes the text form of FILE (binary or text) to OUT or standard output
  to-binary   writes the binary form of FILE (binary or text) to OUT or standard output
  check       reads FILE into live components and prints their tree, with each grid's
              layouts, columns and the values assigned to them

Exit codes: 0 success, 1 a bad or unreadable form file (the message names the byte offset or
the line and column), 2 bad use.
)";

struct TFailure {
    std::string Message;
};

std::string ReadFile(const std::string& Path)
{
    std::ifstream in(Path, std::ios::binary | std::ios::ate);
    if (!in) throw TFailure{"cannot open " + Path};
    const std::streamoff size = in.tellg();
    if (size > MaxFileSize) throw TFailure{Path + " is larger than 256 MiB"};
    in.seekg(0);
    std::string data(static_cast<std::size_t>(size), '\0');
    if (!in.read(data.data(), size)) throw TFailure{"cannot read " + Path};
    return data;
}

void WriteOutput(const std::vector<std::string>& Args, const std::string& Data)
{
    if (Args.size() < 3) {
        std::cout.write(Data.data(), static_cast<std::streamsize>(Data.size()));
        std::cout.flush();
        return;
    }
    std::ofstream out(Args[2], std::ios::binary);
    out.write(Data.data(), static_cast<std::streamsize>(Data.size()));
    if (!out) throw TFailure{"cannot write " + Args[2]};
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
        std::cout << FormTree(form.get());
    }
    return 0;
}

} // namespace

int main(int Argc, char** Argv)
{
    const std::vector<std::string> args(Argv + 1, Argv + Argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << Usage;
        return 0;
    }
    const bool known = !args.empty() && (args[0] == "to-text" || args[0] == "to-binary" || args[0] == "check");
    const std::size_t most = !args.empty() && args[0] == "check" ? 2 : 3;
    if (!known || args.size() < 2 || args.size() > most) {
        std::cerr << Usage;
        return 2;
    }
    RegisterZelGridProperties();
    try {
        return Run(args);
    } catch (const TFailure& F) {
        std::cerr << "zelform: " << F.Message << "\n";
    } catch (const Exception& E) {
        std::cerr << "zelform: " << args[1] << ": " << E.what() << "\n";
    }
    return 1;
}
