#pragma once
// CSV files after RFC 4180: fields separated by commas, records by CRLF or LF; a field in double
// quotes may hold commas, line breaks and doubled quotes. The first record names the columns.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "apps/zelgrid-demo/DemoTable.h"

// A malformed file; the message names the line (counted from 1) where the fault is.
class ECsvError : public std::runtime_error {
public:
    ECsvError(int Line, const std::string& Reason, const std::string& File = {})
        : std::runtime_error((File.empty() ? "" : File + ", ") + "line " + std::to_string(Line) + ": " + Reason),
          FLine(Line), FReason(Reason) {}
    int Line() const { return FLine; }
    const std::string& Reason() const { return FReason; }

private:
    int FLine;
    std::string FReason;
};

// What reading noticed without refusing the file. A field that is not valid UTF-8 is read as
// Latin-1 (each byte one character), so that it shows the letters it most likely holds and
// never as broken characters.
struct TCsvNotes {
    int Latin1Fields = 0;
    // The line (counted from 1) of the first byte that is not UTF-8; 0 when every field was.
    int FirstLatin1Line = 0;
    // One warning for all such fields, naming the first line and the file (when given); empty
    // when there were none.
    std::string Warning(const std::string& File = {}) const;
};

// Builds a table from CSV text; throws ECsvError and builds nothing on a malformed file. Notes,
// when given, receives what was read other than as written.
TDemoTable ReadCsv(std::string_view Text, TCsvNotes* Notes = nullptr);
// Reads the named file; throws ECsvError (with the file name) or std::runtime_error. A fifo, a
// device or a directory is refused, and so is a file larger than the table holds or than half
// the machine's memory, before any of it is read.
TDemoTable LoadCsvFile(const std::string& FileName, TCsvNotes* Notes = nullptr);
// Why a CSV file of Size bytes is refused on a machine of Memory bytes (0: not known), as
// "is 5.0 GiB (...), more than ..."; empty when it can be read.
std::string CsvSizeProblem(std::uint64_t Size, std::uint64_t Memory);
