# Where spdlog, fmt, nlohmann/json and GoogleTest come from.
# - By default: their CMake packages (Debian's on Linux; a package manager's, e.g. vcpkg, for MSVC).
# - Header-only, from a folder holding their headers (DINOTUNER_HEADER_ROOT): the mingw-w64 cross
#   build does this with Debian's /usr/include, since Debian has no mingw builds of them and its
#   /usr/include cannot be put on the include path (glibc's headers would shadow mingw's). Only
#   the three libraries' folders are linked into the build tree, so nothing else is seen.
# - GoogleTest from its sources (DINOTUNER_GOOGLETEST_SOURCE, Debian's /usr/src/googletest for the
#   cross build), built with the same compiler.

set(default_header_root "")
set(default_googletest_source "")
if(MINGW AND CMAKE_CROSSCOMPILING)
  set(default_header_root /usr/include)
  set(default_googletest_source /usr/src/googletest)
endif()
set(DINOTUNER_HEADER_ROOT "${default_header_root}" CACHE PATH
  "Folder holding the spdlog, fmt and nlohmann header folders, used header-only (empty: CMake packages)")
set(DINOTUNER_GOOGLETEST_SOURCE "${default_googletest_source}" CACHE PATH
  "GoogleTest sources to build with the project (empty: the GTest package)")

if(DINOTUNER_HEADER_ROOT)
  set(header_only_include ${CMAKE_BINARY_DIR}/header-only-include)
  file(MAKE_DIRECTORY ${header_only_include})
  foreach(library spdlog fmt nlohmann)
    if(NOT EXISTS ${DINOTUNER_HEADER_ROOT}/${library})
      message(FATAL_ERROR "${DINOTUNER_HEADER_ROOT}/${library} is missing (Debian: libspdlog-dev, libfmt-dev, nlohmann-json3-dev)")
    endif()
    file(CREATE_LINK ${DINOTUNER_HEADER_ROOT}/${library} ${header_only_include}/${library} SYMBOLIC COPY_ON_ERROR)
  endforeach()
  # Imported targets: their headers are system headers, so warnings as errors stay on our code.
  add_library(fmt::fmt INTERFACE IMPORTED)
  set_target_properties(fmt::fmt PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${header_only_include}
    INTERFACE_COMPILE_DEFINITIONS FMT_HEADER_ONLY)
  add_library(spdlog::spdlog INTERFACE IMPORTED)
  set_target_properties(spdlog::spdlog PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${header_only_include}
    INTERFACE_COMPILE_DEFINITIONS "SPDLOG_HEADER_ONLY;SPDLOG_FMT_EXTERNAL"
    INTERFACE_LINK_LIBRARIES fmt::fmt)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${header_only_include})
else()
  find_package(spdlog REQUIRED)
  find_package(fmt REQUIRED)
  find_package(nlohmann_json REQUIRED)
endif()
find_package(Threads REQUIRED)

if(DINOTUNER_TESTS)
  if(DINOTUNER_GOOGLETEST_SOURCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    # The plugin and the tests share one C runtime (MSVC: the DLL runtime of the windows-msvc preset).
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    # Defines GTest::gtest and GTest::gtest_main, as the GTest package does.
    add_subdirectory(${DINOTUNER_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  else()
    find_package(GTest REQUIRED)
  endif()
endif()
