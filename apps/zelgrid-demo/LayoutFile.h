#pragma once
// The file that keeps the demo's layouts between runs: a text form file of the grid, read at
// start and written on exit. A file that is there but cannot be used is never overwritten: it
// may be the user's own work, or another program's file named by mistake.
#include <string>

#include "binding/TableSource.h"

class TDemoForm;

// Where the layouts of a table with Source's columns are kept by default: orders.layout for the
// orders (the demo's database or generated records), csv-XXXXXXXX.layout (a hash of the column
// names) for a CSV file's, table-XXXXXXXX.layout for a database table's, in
// $XDG_CONFIG_HOME/zelgrid-demo or ~/.config/zelgrid-demo. Empty when neither variable is set.
std::string DefaultLayoutPath(const TTableSource& Source);

class TDemoLayoutFile {
public:
    explicit TDemoLayoutFile(std::string Path) : FPath(std::move(Path)) {}
    const std::string& Path() const { return FPath; }
    // Whether Load found a file it could not use (and Save leaves alone).
    bool Refused() const { return !FRefused.empty(); }

    // Restores the form's layouts from the file when it exists. Returns what went wrong, for the
    // user, when the file is there but cannot be used; the form keeps its built-in layouts.
    std::string Load(TDemoForm& Form);
    // Writes the form's layouts through a temporary file renamed over the old one, so that a
    // failed write leaves the old file whole. Returns what went wrong, or an empty string.
    std::string Save(TDemoForm& Form);

private:
    std::string FPath;
    // Set when Load found a file it could not use: Save leaves it alone.
    std::string FRefused;
};
