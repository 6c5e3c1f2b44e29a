// Opening, deleting, sizing and sniffing files, whole-file loads and saves, and the kinds of
// files the program tells apart by extension.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file with a C mode string; null on failure. Every data, settings and option file
// of the program is opened through it. File names are passed to the system as they are.
//
// The program's text files carry CR LF line ends whatever system wrote them, so the text
// modes "r", "w" and "a" ("t" allowed) translate as a text stream of the data files' home
// system does: reading turns CR LF into LF and ends at a Ctrl-Z (26), writing turns every
// LF not already preceded by CR into CR LF (never doubling a CR LF the caller wrote).
// ftell and fseek work with byte offsets in the file. Binary modes ("b") and update modes
// ("+") are not translated. A mode that writes reaches the file as a save does (a link of
// another user in a shared sticky folder is refused, no folder is made, and nothing renamed
// on the way while it opens redirects it: HoldSaveTarget).
FilePtr FOpenOem(const std::filesystem::path& name, const char* mode);

// Deletes the file; false when it could not be deleted (or did not exist).
[[nodiscard]] bool DeleteFileOem(const std::filesystem::path& name);

// The size of a regular file in bytes (64-bit); 0 when it does not exist or is not a file.
std::int64_t FileSize(const std::filesystem::path& name);

// The last-write time as nanoseconds since 1970-01-01 UTC, and its low and high 32 bits;
// 0 when the file does not exist.
std::int64_t FileTime(const std::filesystem::path& name);
inline std::uint32_t FileTimeLow(const std::filesystem::path& name) {
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(FileTime(name)));
}
inline std::uint32_t FileTimeHigh(const std::filesystem::path& name) {
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(FileTime(name)) >> 32);
}

// Writes the whole block to the file through a TFileReplacement (a temporary file beside it
// and a rename), so that a crash never leaves half a file and a failed write leaves an
// existing file as it was; false on failure. Folders missing on the way the caller named are
// made. A symbolic link is saved through where the system would follow it: the file it leads
// to is replaced and the link stays; a link another user planted in a shared sticky folder
// is refused, and so is a name that leads to a FIFO, a device or a folder (app/save_target.h).
// A write-protected file is not replaced. SaveFailureText tells the caller why a save
// failed; when a system call failed, errno holds its reason after the false. Every file the
// program writes whole goes through it.
[[nodiscard]] bool SaveGlobalToFile(std::span<const std::uint8_t> block,
                                    const std::filesystem::path& name);
// The same for a file made of pieces, written one after another: a writer that builds its
// file in parts hands them as they are, without first copying them into one block.
[[nodiscard]] bool SaveGlobalToFile(std::span<const std::span<const std::uint8_t>> pieces,
                                    const std::filesystem::path& name);
// The same for a text, its bytes as they stand (the caller has put in its line ends).
[[nodiscard]] inline bool SaveGlobalToFile(std::string_view text, const std::filesystem::path& name) {
  return SaveGlobalToFile(
      std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), name);
}

// An existing regular file without write permission (no write bit set, or not writable by
// this user).
bool IsWriteProtectedFile(const std::filesystem::path& name);
// The same for the file `name` in the folder held at `folder` (AT_FDCWD: the working folder).
bool IsWriteProtectedFileAt(int folder, const char* name);
// What to tell the user when a save to the file failed: the link that was not followed, the
// FIFO or device that was not replaced, "File is Write-Protected and Was Not Replaced" when
// it is, else the caller's own text (or the string of failureId).
std::string SaveFailureText(const std::filesystem::path& name, std::string_view failure);
std::string SaveFailureText(const std::filesystem::path& name, int failureId);

// A file name as the file system gives it (UTF-8) in the program's coded text: where a
// name becomes a title, so "messwerte_ü.dat" is shown as the user wrote it.
std::string FileNameToCodedText(std::string_view name);

// The whole file; empty when it is missing, empty, unreadable or too large for memory.
std::vector<std::uint8_t> LoadFileToGlobal(const std::filesystem::path& name);
// The first min(file size, maxBytes) bytes of a file; empty when it is missing, empty or
// unreadable.
std::vector<std::uint8_t> ReadFileHead(const std::filesystem::path& name, std::size_t maxBytes);

// -1 when the file is missing or empty; otherwise looks at its first min(size, 200) bytes:
// 2 when every byte is 32 or above or one of TAB, LF, FF, CR and Ctrl-Z (a text file),
// else 0.
int SniffTextFile(const std::filesystem::path& name);

// File kinds by extension (without the dot; compared without case).
// Reader of an imported data file: prn, dat, txt 1 (text); "wk..." 2 (Lotus worksheets);
// xls 3 (Excel); "wb..." or "wq..." 4 (Quattro); "mv..." or rnb 5 (worksheets and
// notebooks of the sibling plotting product); sav 6; dbf 7 (dBASE); dif 8; otherwise 0.
int ImportKindByExt(std::string_view ext);
// prn 1, dat 2, txt 3, otherwise 0.
int IsTextExt(std::string_view ext);
// Saving text windows and lists: prn 1, dat 2, txt 3, wk1 4, wk3 5, rtf 6, ws 7, otherwise 0.
int FileKindByExt(std::string_view ext);
// Saving data: prn 1, dat 2, txt 3, wk1 4, wk3 5, sav 6, otherwise 0.
int ExtensionKind(std::string_view ext);

// Output formats of a saved text window, list or table.
inline constexpr int kSaveFormatText = 2;
inline constexpr int kSaveFormatWk1 = 8;
inline constexpr int kSaveFormatWk3 = 12;
inline constexpr int kSaveFormatSav = 24;
inline constexpr int kSaveFormatWordStar = 32;
inline constexpr int kSaveFormatRtf = 64;
// By the extension of the path's file name: wk1, wk3, sav, ws, rtf; anything else (or no
// extension) plain text.
int SaveFormatByExt(const std::filesystem::path& path);
