# cmake -DSOURCE_DIR=<src> -P CheckIncludeLayers.cmake
#
# Fails when a source file includes a layer above its own. The layers, lowest first:
#   platform, numerics, app, expr, udf (src/tools/udf), fit, graph3d, review, tools,
#   exchange, smooth.
# A headless file (src/<layer>/...) may include its own layer and those below it, and never
# Qt, a ui/ folder or platform/qt. A widget file (src/<layer>/ui/...) may also include
# platform/qt and the ui/ folders of its own and lower layers. platform/qt includes only
# the platform. Headers are ours whether named in quotes or in angle brackets, and a quoted
# name is resolved beside the including file first; no include may climb with "..".
# src/main.cpp wires everything together and is not checked.

set(layer_order platform numerics app expr udf fit graph3d review tools exchange smooth)

# The layer of a path relative to src/ ("fit/fit_run.h" -> fit, "tools/udf/x.h" -> udf),
# and whether it lies in a widget folder (ui/ or platform/qt/). Empty layer: not ours.
function(classify path out_layer out_widgets)
  set(widgets FALSE)
  if(path MATCHES "^tools/udf/")
    set(layer udf)
  elseif(path MATCHES "^([a-z0-9_]+)/")
    set(layer ${CMAKE_MATCH_1})
    if(path MATCHES "^[a-z0-9_]+/(ui|qt)/")
      set(widgets TRUE)
    endif()
  else()
    set(layer "")
  endif()
  list(FIND layer_order "${layer}" rank)
  if(rank EQUAL -1)
    set(layer "")
  endif()
  set(${out_layer} "${layer}" PARENT_SCOPE)
  set(${out_widgets} ${widgets} PARENT_SCOPE)
endfunction()

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "Pass -DSOURCE_DIR=<the src folder>")
endif()
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)

file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
list(SORT files)
set(violations "")
set(checked 0)
foreach(file ${files})
  classify("${file}" layer widgets)
  if(NOT layer)
    continue()
  endif()
  math(EXPR checked "${checked} + 1")
  list(FIND layer_order ${layer} rank)
  set(platform_qt FALSE)
  if(file MATCHES "^platform/qt/")
    set(platform_qt TRUE)
  endif()
  get_filename_component(dir "${file}" DIRECTORY)
  file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line IN LISTS lines)
    # Our headers, named from src/ in quotes or in angle brackets (both are found through
    # the include path); a quoted name is first looked for beside the file, as the compiler
    # does.
    set(target "")
    if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
      set(target "${CMAKE_MATCH_1}")
      if(NOT target MATCHES "\\.\\." AND dir AND EXISTS "${SOURCE_DIR}/${dir}/${target}")
        set(target "${dir}/${target}")
      endif()
    elseif(line MATCHES "#[ \t]*include[ \t]*<([^>]+)>")
      set(target "${CMAKE_MATCH_1}")
      if(target MATCHES "^Q[A-Za-z]*(/|$)")
        if(NOT widgets)
          list(APPEND violations "${file} includes <${target}>: Qt in headless code")
        endif()
        continue()
      endif()
    endif()
    if(target MATCHES "(^|/)\\.\\.(/|$)")
      # A path that climbs out of a folder can reach any layer without naming it.
      list(APPEND violations "${file} includes ${target}: a path with .. (name the header from src/)")
      continue()
    endif()
    classify("${target}" target_layer target_widgets)
    if(NOT target_layer)
      continue()
    endif()
    list(FIND layer_order ${target_layer} target_rank)
    set(reason "")
    if(target_rank GREATER rank)
      set(reason "a layer above its own (${layer})")
    elseif(target_widgets AND NOT widgets)
      set(reason "a widget folder from headless code")
    elseif(platform_qt AND NOT target MATCHES "^platform/")
      set(reason "a subsystem from the platform layer")
    endif()
    if(reason)
      list(APPEND violations "${file} includes ${target}: ${reason}")
    endif()
  endforeach()
endforeach()

if(checked EQUAL 0)
  message(FATAL_ERROR "No source files found under ${SOURCE_DIR}")
endif()
if(violations)
  list(JOIN violations "\n  " text)
  message(FATAL_ERROR "Includes against the layer order:\n  ${text}")
endif()
message(STATUS "${checked} files keep the layer order")
