// Data files the program reads from its own directory (the Bernoulli and quadrature
// tables, the equation lists): they are installed beside the executable, and the test
// programs find them the same way because they are built into the same directory.
#pragma once

#include <filesystem>
#include <string_view>

// The directory of the running executable (from /proc/self/exe); the current directory
// when that cannot be read.
std::filesystem::path ProgramDirectory();

// `name` in that directory.
std::filesystem::path ProgramFile(std::string_view name);
