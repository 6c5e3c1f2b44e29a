// A directory of this run's own for the program's temporary files (the clipboard's data
// handed to the readers, the ASCII editor's text), so that no other user or program can
// read, replace or race them in a shared temporary directory. Created with mode 0700 on
// first use (under $TMPDIR, else /tmp) and removed with its contents at shutdown.
#pragma once

#include <filesystem>

// The directory, or an empty path when it cannot be created.
const std::filesystem::path& PrivateTempDir();
// Removes the directory and everything in it (shutdown; also used by tests).
void RemovePrivateTempDir();
