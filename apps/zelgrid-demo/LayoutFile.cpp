#include "apps/zelgrid-demo/LayoutFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "apps/zelgrid-demo/DemoForm.h"
#include "apps/zelgrid-demo/ReplaceFile.h"
#include "binding/CsvSource.h"

namespace fs = std::filesystem;

namespace {

// A layout file is a few kilobytes; anything this large is no layout file and is refused before
// it is read into memory.
constexpr std::uintmax_t MaxLayoutFileSize = std::uintmax_t{1} << 20;

std::string ConfigFolder()
{
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the base directory rules say.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config == '/') return std::string(config) + "/zelgrid-demo";
    const char* home = std::getenv("HOME");
    if (home && *home) return std::string(home) + "/.config/zelgrid-demo";
    return {};
}

bool OrdersColumns(const std::vector<TSourceColumn>& Columns)
{
    static const char* const names[] = {"Number", "Date", "Customer", "Amount", "Status", "Paid", "Tags", "Note"};
    if (Columns.size() != std::size(names)) return false;
    for (std::size_t c = 0; c < Columns.size(); ++c)
        if (Columns[c].Name != names[c]) return false;
    return true;
}

// FNV-1a over the column names, each ended by a zero byte.
std::uint32_t ColumnsHash(const std::vector<TSourceColumn>& Columns)
{
    std::uint32_t hash = 2166136261u;
    for (const TSourceColumn& column : Columns) {
        for (const char ch : column.Name) hash = (hash ^ static_cast<unsigned char>(ch)) * 16777619u;
        hash *= 16777619u;
    }
    return hash;
}

// The file's contents, or what kept them from being read.
std::string ReadLayoutFile(const std::string& Path, std::string& Problem)
{
    std::error_code error;
    const fs::file_status status = fs::status(Path, error);
    if (error) {
        Problem = error.message();
        return {};
    }
    if (!fs::is_regular_file(status)) {
        Problem = "not a regular file";
        return {};
    }
    const std::uintmax_t size = fs::file_size(Path, error);
    if (error || size > MaxLayoutFileSize) {
        Problem = error ? error.message() : "larger than 1 MiB";
        return {};
    }
    std::ifstream in(Path, std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) Problem = "it cannot be read";
    return data;
}

} // namespace

std::string DefaultLayoutPath(const TTableSource& Source)
{
    const std::string folder = ConfigFolder();
    if (folder.empty()) return {};
    if (OrdersColumns(Source.Columns())) return folder + "/orders.layout";
    char name[40];
    std::snprintf(name, sizeof name, "/%s-%08x.layout", dynamic_cast<const TCsvSource*>(&Source) ? "csv" : "table",
                  static_cast<unsigned>(ColumnsHash(Source.Columns())));
    return folder + name;
}

std::string TDemoLayoutFile::Load(TDemoForm& Form)
{
    FRefused.clear();
    std::error_code error;
    if (!fs::exists(FPath, error) && !error) return {};
    std::string problem;
    const std::string data = ReadLayoutFile(FPath, problem);
    if (problem.empty()) {
        try {
            Form.RestoreLayouts(data);
            return {};
        } catch (const std::exception& E) {
            problem = E.what();
        }
    }
    FRefused = problem;
    return "cannot use the layouts in " + FPath + ": " + problem +
           "\nThe built-in layouts are shown; the file is left as it is and the layouts will not be saved to it.";
}

std::string TDemoLayoutFile::Save(TDemoForm& Form)
{
    if (!FRefused.empty())
        return "the layouts were not saved: " + FPath + " could not be used at start (" + FRefused +
               ") and is left as it is; move it away, or name another file with --layout-file";
    std::string text;
    try {
        text = Form.LayoutForm();
    } catch (const std::exception& E) {
        return "cannot write the layouts: " + std::string(E.what());
    }
    const fs::path path = FileWriteTarget(FPath);
    std::error_code error;
    if (path.has_parent_path()) fs::create_directories(path.parent_path(), error);
    if (error) return "cannot create the folder " + path.parent_path().string() + ": " + error.message();
    const std::string problem = ReplaceFileContents(path.string(), text);
    if (!problem.empty()) return "cannot write the layouts: " + problem;
    return {};
}
