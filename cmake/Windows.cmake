# The Windows build. The plugin is DinoTuner.dll and imports the host's functions from the host's
# module, version.dll; the stand-in host is built as that version.dll, next to dinotuner-sim.exe,
# dinotuner-check.exe and the tests.
#
# MSVC cannot run here, so the mingw-w64 build doubles as the check that the code stays clean for
# it: warnings are errors and GNU extensions are refused (-pedantic).

if(NOT WIN32)
  return()
endif()

if(MINGW)
  add_compile_options(-Werror -pedantic)
  # Each module carries its own copy of the C++ runtime and of winpthreads: an admin copies
  # DinoTuner.dll alone, and wine needs no toolchain DLLs next to the programs.
  add_link_options(-static)
elseif(MSVC)
  # The sources are UTF-8 and standard C++. The windows-msvc preset sets these flags; a configure
  # without it gets them here.
  foreach(flag /utf-8 /W4 /permissive-)
    if(NOT " ${CMAKE_CXX_FLAGS} " MATCHES " ${flag} ")
      add_compile_options(${flag})
    endif()
  endforeach()
endif()

# Tests of a cross build run under wine, in a prefix of the build's own.
if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(DINOTUNER_WINEPREFIX ${CMAKE_BINARY_DIR}/wine-prefix CACHE PATH "wine prefix the tests run in")
  configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${CMAKE_BINARY_DIR}/wine-run
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE
    @ONLY)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
endif()

# Names, imports and exports of the modules, once every directory has made its targets.
function(dinotuner_windows_modules)
  # The text and memory helpers import the host's functions: whatever takes them takes the host's
  # import library too (the stand-in's, or the real host's).
  target_link_libraries(dinotuner_hostapi INTERFACE arkapi_host)
  get_target_property(real_host arkapi_host IMPORTED)
  if(NOT real_host)
    # The plugin imports from "version.dll", the module the real host is loaded as.
    set_target_properties(arkapi_host PROPERTIES PREFIX "" OUTPUT_NAME version)
    # The host cannot import its own functions: it compiles the helpers again, as its own code.
    get_target_property(helper_sources dinotuner_hostapi SOURCES)
    get_target_property(helper_dir dinotuner_hostapi SOURCE_DIR)
    list(TRANSFORM helper_sources PREPEND ${helper_dir}/)
    target_sources(arkapi_host PRIVATE ${helper_sources})
    get_target_property(host_links arkapi_host LINK_LIBRARIES)
    list(REMOVE_ITEM host_links dinotuner_hostapi)
    set_target_properties(arkapi_host PROPERTIES LINK_LIBRARIES "${host_links}")
  endif()
  if(MINGW)
    # PE ignores -fvisibility=hidden: without this every function of the plugin would be exported.
    target_link_options(DinoTuner PRIVATE -Wl,--exclude-all-symbols)
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL dinotuner_windows_modules)
