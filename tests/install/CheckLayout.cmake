# Installs the build into a fresh PREFIX and checks that it holds the plugin's folder and nothing
# else: the library, PluginInfo.json with the project's version as a number, and the example
# config.json, which a second install keeps once an admin has changed it.
#   -DBUILD_DIR=<build> -DPREFIX=<scratch folder> -DLIBRARY=<DinoTuner.so or .dll>
#   -DVERSION=<major.minor> -DEXAMPLE=<examples/config.json>

set(folder ${PREFIX}/ArkApi/Plugins/DinoTuner)

function(install_build)
  execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  message(STATUS "${output}")
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --install failed with ${status}")
  endif()
endfunction()

file(REMOVE_RECURSE ${PREFIX})
install_build()

file(GLOB_RECURSE installed RELATIVE ${PREFIX} ${PREFIX}/*)
list(SORT installed)
set(expected ArkApi/Plugins/DinoTuner/${LIBRARY} ArkApi/Plugins/DinoTuner/PluginInfo.json ArkApi/Plugins/DinoTuner/config.json)
list(SORT expected)
if(NOT installed STREQUAL expected)
  message(FATAL_ERROR "installed:\n  ${installed}\nexpected:\n  ${expected}")
endif()

file(READ ${folder}/PluginInfo.json info)
foreach(key FullName Description Version MinApiVersion)
  string(JSON type ERROR_VARIABLE error TYPE "${info}" ${key})
  if(error)
    message(FATAL_ERROR "PluginInfo.json: ${error}\n${info}")
  endif()
  set(${key}_type ${type})
endforeach()
string(JSON name GET "${info}" FullName)
# CMake prints a number it read back with 17 digits: the version is compared as written.
string(REPLACE "." "\\." version_pattern "${VERSION}")
if(NOT Version_type STREQUAL "NUMBER" OR NOT MinApiVersion_type STREQUAL "NUMBER" OR NOT name STREQUAL "DinoTuner"
   OR NOT info MATCHES "\"Version\"[ \n]*:[ \n]*${version_pattern}[ \n]*[,}]")
  message(FATAL_ERROR "PluginInfo.json must name DinoTuner, with Version ${VERSION} and MinApiVersion as numbers:\n${info}")
endif()

file(READ ${folder}/config.json config)
file(READ ${EXAMPLE} example)
if(NOT config STREQUAL example)
  message(FATAL_ERROR "config.json is not the example configuration")
endif()

# An admin's own configuration survives installing a new build over it.
file(WRITE ${folder}/config.json "{\"GlobalDinoBalance\": null, \"DinoBalance\": {}}")
install_build()
file(READ ${folder}/config.json config)
if(NOT config STREQUAL "{\"GlobalDinoBalance\": null, \"DinoBalance\": {}}")
  message(FATAL_ERROR "a second install replaced the admin's config.json")
endif()
file(COPY_FILE ${EXAMPLE} ${folder}/config.json)
