// Replacing a file whole, the way every file of the program is written:
//
//   TFileReplacement r(name)   where the name leads (HoldSaveTarget: the file's folder held
//                              open), and a new temporary beside that file, locked, with the
//                              owner and mode of the file it will replace before its first byte
//   r.Write(...)               the bytes (or a writer opens r.HeldTemporary())
//   r.Commit()                 synced, renamed over the file, the folder synced; temporaries
//                              left by killed saves of the same file swept away
//
// Every step after the walk works in the held folder (openat, renameat, unlinkat), never by
// the name again: a folder on the way swapped for a link meanwhile cannot move any of them.
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
#include <string>

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
  // The temporary's path, for messages: the folder may have moved since the walk.
  const std::filesystem::path& Temporary() const { return temp_; }
  // A name of the temporary that leads to the file held open whatever is renamed (its
  // descriptor under /proc/self/fd), for a writer that opens a file by name; empty when
  // not Ready.
  std::filesystem::path HeldTemporary() const;

  [[nodiscard]] bool Write(std::span<const std::uint8_t> bytes);
  // Puts the temporary in the file's place; false (the file as it was) when any step fails.
  [[nodiscard]] bool Commit();
  // Removes the temporary (also done by the destructor of an uncommitted replacement).
  void Abandon();

 private:
  TSaveTarget target_;
  TUniqueFd folder_;  // the file's folder, held since the walk
  std::string leaf_;  // the file's name in it
  std::string tempName_;
  std::filesystem::path temp_;
  int fd_ = -1;
};

// The call that locks a temporary, flock(2) in the program; a test stands in for a file
// system that refuses locks. Returns the call it replaces.
using TFileLockCall = int (*)(int fd, int operation);
TFileLockCall SetFileLockCall(TFileLockCall call);

// Called once the way to the file has been walked, before anything is made or written there;
// a test swaps a folder on the way in it. Returns the hook it replaces.
using TSaveWalkHook = void (*)(const std::filesystem::path& name);
TSaveWalkHook SetSaveWalkHook(TSaveWalkHook hook);
