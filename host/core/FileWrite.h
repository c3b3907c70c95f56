#pragma once
// Writing a file whole or not at all, so that a full disk or a failed write never leaves a
// half-written file where a good one was.
#include <string>
#include <string_view>

// Writes Data to Path through a new file in the same folder, flushed to the disk and closed,
// then renamed over Path: a failure at any step leaves the file that was there untouched and
// removes the new one. A replaced file keeps its permissions; a symbolic link is followed and
// kept, its target gets the data. A path that names a device or a pipe is written in place.
// Returns an empty string on success, else what went wrong, naming Path.
std::string WriteFileAtomically(const std::string& Path, std::string_view Data);

// Where writing Path puts the data: a symbolic link (a file kept elsewhere) is followed, so that
// the link stays and its target is replaced.
std::string FileWriteTarget(const std::string& Path);
