# Finds ReadStat, the library that reads and writes the statistics-package .sav files, and
# defines the imported target ReadStat::ReadStat.
#
# pkg-config is asked first; Debian's libreadstat-dev ships no pkg-config file, so the header
# and the library are then looked up where the system keeps them.
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
  pkg_check_modules(PC_READSTAT QUIET readstat)
endif()

find_path(ReadStat_INCLUDE_DIR readstat.h HINTS ${PC_READSTAT_INCLUDE_DIRS})
find_library(ReadStat_LIBRARY readstat HINTS ${PC_READSTAT_LIBRARY_DIRS})

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(ReadStat REQUIRED_VARS ReadStat_LIBRARY ReadStat_INCLUDE_DIR)

if(ReadStat_FOUND AND NOT TARGET ReadStat::ReadStat)
  add_library(ReadStat::ReadStat UNKNOWN IMPORTED)
  set_target_properties(ReadStat::ReadStat PROPERTIES
    IMPORTED_LOCATION "${ReadStat_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${ReadStat_INCLUDE_DIR}")
endif()
mark_as_advanced(ReadStat_INCLUDE_DIR ReadStat_LIBRARY)
