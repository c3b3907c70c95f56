#pragma once
// Writing the demo's files (its layouts, the saved changes) so that a failure never costs the old
// file: the data goes to a temporary file beside it, which is renamed over it once complete.
#include <sys/types.h>

#include <string>
#include <string_view>

#include "host/core/FileWrite.h"

// Replaces the contents of Path (following links) through a temporary file and a rename; the file
// keeps its permissions. Returns why it failed (a full disk, a folder that cannot be written, ...),
// with the old file left as it was, or an empty string.
std::string ReplaceFileContents(const std::string& Path, std::string_view Data);

// Why Path cannot take a file written by ReplaceFileContents (its folder is missing or cannot be
// written, it is a directory or a device, ...), checked before there is anything to lose; empty
// when it can.
std::string ReplaceDestinationProblem(const std::string& Path);

// What kind of file a stat mode names ("a fifo", "a directory", ...), for messages.
const char* FileKindText(mode_t Mode);
