# Shared build settings: every library and test goes through these helpers so
# that warnings and sanitizers apply to all of them alike.

add_library(vic_options INTERFACE)
target_compile_options(vic_options INTERFACE -Wall -Wextra -Wpedantic)
if(VIC_WERROR)
  target_compile_options(vic_options INTERFACE -Werror)
  # GCC 12's flow-based checks report overlaps and bounds inside the standard
  # library's own inlined copies at -O3 (vector inserts, string assigns) that
  # cannot happen; they stay warnings, never errors.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(vic_options INTERFACE
      -Wno-error=restrict -Wno-error=array-bounds -Wno-error=stringop-overflow)
  endif()
endif()
if(VIC_SANITIZE)
  target_compile_options(vic_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(vic_options INTERFACE -fsanitize=address,undefined)
endif()
if(VIC_FUZZ)
  # Coverage for libFuzzer in every library; each fuzz target adds the
  # fuzzer's own main (see fuzz/).
  target_compile_options(vic_options INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(vic_options INTERFACE -fsanitize=address,undefined)
endif()
target_include_directories(vic_options INTERFACE ${PROJECT_SOURCE_DIR}/src)

# vic_library(<name> LIBS <deps...>): a static library from every source in
# the calling folder.
function(vic_library name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER srcs EXCLUDE REGEX ".*/main\\.cpp$")
  set(cpps ${srcs})
  list(FILTER cpps INCLUDE REGEX ".*\\.cpp$")
  if(cpps)
    add_library(${name} STATIC ${srcs})
    target_link_libraries(${name} PUBLIC vic_options ${ARG_LIBS})
  else()
    # A folder whose sources have not been written yet.
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE vic_options ${ARG_LIBS})
  endif()
endfunction()

# vic_test(<name> SOURCES <files...> LIBS <deps...> [LABELS <labels...>])
# One CTest entry per executable; each runs with its own HOME and XDG folders
# (set up by the shared test main) and on Qt's offscreen platform.
function(vic_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE vic_test_main ${ARG_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;VIC_SOURCE_DIR=${PROJECT_SOURCE_DIR};VIC_BINARY_DIR=${PROJECT_BINARY_DIR}"
    TIMEOUT 600)
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()
