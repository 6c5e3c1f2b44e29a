// Replacing a file whole, the way every file of the program is written:
//
//   TFileReplacement r(name)   where the name leads (ResolveSaveTarget), and a new temporary
//                              beside that file, locked, with the owner and mode of the file
//                              it will replace before its first byte
//   r.Write(...)               the bytes (or a writer opens r.Temporary() by name)
//   r.Commit()                 synced, renamed over the file, the folder synced; temporaries
//                              left by killed saves of the same file swept away
//
// A replacement that is not committed removes its temporary: a crash never leaves half a
// file, and a failed save leaves the old file exactly as it was. A step that fails on a
// system call leaves that call's errno (the clean-up keeps it), so that the caller can say why.
//
// Temporaries are named ".<file name>.ondravik3d-save.<ten random characters><four check
// characters>": unpredictable, so that nobody can block a save by making the name first;
// hidden from file dialogs; and marked, so that the sweep never takes a file of the user's
// that merely looks like a temporary.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "app/save_target.h"

// Whether folders missing on the way the caller named are made (links never make any).
enum class MissingFolders { Make, Refuse };

class TFileReplacement {
 public:
  explicit TFileReplacement(const std::filesystem::path& name, MissingFolders folders = MissingFolders::Make);
  ~TFileReplacement();
  TFileReplacement(const TFileReplacement&) = delete;
  TFileReplacement& operator=(const TFileReplacement&) = delete;

  // Whether the temporary is made; when not, Target() says why (or it could not be made).
  bool Ready() const { return fd_ >= 0; }
  const TSaveTarget& Target() const { return target_; }
  const std::filesystem::path& Temporary() const { return temp_; }

  [[nodiscard]] bool Write(std::span<const std::uint8_t> bytes);
  // Puts the temporary in the file's place; false (the file as it was) when any step fails.
  [[nodiscard]] bool Commit();
  // Removes the temporary (also done by the destructor of an uncommitted replacement).
  void Abandon();

 private:
  TSaveTarget target_;
  std::filesystem::path temp_;
  int fd_ = -1;
};

// The call that locks a temporary, flock(2) in the program; a test stands in for a file
// system that refuses locks. Returns the call it replaces.
using TFileLockCall = int (*)(int fd, int operation);
TFileLockCall SetFileLockCall(TFileLockCall call);
