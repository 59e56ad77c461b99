# The plugin host's published SDK: a folder holding its include/ (the host's headers and, in
# include/Logger/spdlog, the spdlog its log sinks were built with) and lib/ArkApi.lib. It is not
# part of this project and nothing of it is copied in. Where it is at hand:
# - the contract check (tests/contract) also reads the host's exports from lib/ArkApi.lib;
# - the plugin's logging and its tests are built a second time against the host's spdlog
#   (tests/hostlog);
# - a build for a real server (DINOTUNER_HOST_IMPORT_LIBRARY) builds the plugin's logging against
#   it, as it must: the host hands the plugin its sinks.
# Found by default beside the project, in ../shared/host-sdk.

set(default_host_sdk "")
get_filename_component(beside_project ${PROJECT_SOURCE_DIR}/../shared/host-sdk ABSOLUTE)
if(EXISTS ${beside_project}/include/Logger/spdlog/spdlog.h)
  set(default_host_sdk ${beside_project})
endif()
set(DINOTUNER_HOST_SDK "${default_host_sdk}" CACHE PATH
  "The host's SDK folder (include/Logger/spdlog, lib/ArkApi.lib); empty: none at hand")
if(DINOTUNER_HOST_SDK AND NOT EXISTS ${DINOTUNER_HOST_SDK}/include/Logger/spdlog/spdlog.h)
  message(FATAL_ERROR "DINOTUNER_HOST_SDK: ${DINOTUNER_HOST_SDK}/include/Logger/spdlog/spdlog.h does not exist")
endif()
if(DINOTUNER_HOST_SDK)
  message(STATUS "The host's SDK: ${DINOTUNER_HOST_SDK}")
endif()

# Compiles the plugin's one file that includes spdlog (logging/LogChannel.cpp) into `target`
# against the host's spdlog: its folder comes before every other, and nothing of Debian's spdlog
# or fmt is seen there.
function(dinotuner_use_host_spdlog target)
  target_include_directories(${target} SYSTEM BEFORE PRIVATE ${DINOTUNER_HOST_SDK}/include/Logger)
  target_compile_definitions(${target} PRIVATE DINOTUNER_HOST_SPDLOG)
endfunction()
