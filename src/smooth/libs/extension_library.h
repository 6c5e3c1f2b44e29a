// Loading the extension library named on the command line ("NPDLL:<name>", kept in
// NPDllName): a shared library in the program's directory with the five entries of
// np_extension.h.
//
// References are counted as for the numerical library: every engine built with libraries
// allowed takes one while a name was given, and the test command's guard takes one for its
// run; the library is opened by the first and closed after the last.
//
// Only a plain file name is accepted: a name that begins with "." or holds a "/" is
// refused, so the name cannot reach outside the program's directory. The shell appends
// ".DLL" to the typed name; here the platform's suffix ".so" stands in its place.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "smooth/libs/np_extension.h"

struct TNPExtension {
  decltype(&NPExInfo) info = nullptr;
  decltype(&NPExSetup) setup = nullptr;
  decltype(&NPExEval) eval = nullptr;
  decltype(&NPExFn) fn = nullptr;
  decltype(&NPExDat) dat = nullptr;
};

// The file a typed name stands for in the program's directory; nothing for a name that is
// empty, begins with "." or holds a "/".
std::optional<std::filesystem::path> ExtensionLibraryPath(std::string_view name);

// Takes (load) or gives back (!load) one reference. Loading answers 1 when the library named
// by NPDllName is open and offers "NPExInfo", else 0 (no reference held): no name, a refused
// name, no such library, or a library without "NPExInfo". Giving back answers 1.
[[nodiscard]] int LoadNPExtension(bool load);

// Whether a reference is held.
bool NPExtensionLoaded();

// The entries (all null while no reference is held; "NPExInfo" is never null while one is).
const TNPExtension& NPExtension();
