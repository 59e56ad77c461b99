# Building the plugin for a real server: linked against the host's own import library for
# version.dll (ArkApi's version.lib) instead of the stand-in host, its logging built against the
# host's spdlog (DINOTUNER_HOST_SDK, cmake/HostSdk.cmake). Only DinoTuner.dll is built then; the
# simulated server, the checker and the tests need the stand-in host.
#   cmake --preset windows-msvc -DDINOTUNER_HOST_IMPORT_LIBRARY=C:/path/to/version.lib -DDINOTUNER_HOST_SDK=C:/path/to/sdk

set(DINOTUNER_HOST_IMPORT_LIBRARY "" CACHE FILEPATH
  "The host's own import library for version.dll; empty: link against the stand-in host")

if(NOT DINOTUNER_HOST_IMPORT_LIBRARY)
  return()
endif()
if(NOT WIN32)
  message(FATAL_ERROR "DINOTUNER_HOST_IMPORT_LIBRARY is for a Windows build of the plugin")
endif()
if(NOT EXISTS ${DINOTUNER_HOST_IMPORT_LIBRARY})
  message(FATAL_ERROR "DINOTUNER_HOST_IMPORT_LIBRARY: ${DINOTUNER_HOST_IMPORT_LIBRARY} does not exist")
endif()
if(NOT DINOTUNER_HOST_SDK)
  message(FATAL_ERROR "DINOTUNER_HOST_IMPORT_LIBRARY needs DINOTUNER_HOST_SDK: the plugin writes to the host's log sinks, "
                      "so its logging is built against the spdlog of the host's SDK (include/Logger/spdlog)")
endif()

# The name the plugin's targets link against, as for the stand-in host.
add_library(arkapi_host UNKNOWN IMPORTED)
set_target_properties(arkapi_host PROPERTIES
  IMPORTED_LOCATION ${DINOTUNER_HOST_IMPORT_LIBRARY}
  INTERFACE_INCLUDE_DIRECTORIES ${PROJECT_SOURCE_DIR}/src)
set(DINOTUNER_TESTS OFF)
set(DINOTUNER_BENCH OFF)
message(STATUS "Linking the plugin against the host's import library ${DINOTUNER_HOST_IMPORT_LIBRARY}; only DinoTuner is built")
