# How tests start the project's programs.
#
# add_test puts the cross build's emulator (wine) in front of a program only when the command is a
# target name. Tests that hand a program to a script (shell, CMake, Python, Node) get its path from
# dinotuner_program instead: the program itself, or on a cross build a small launcher that runs it
# under the emulator.

# Sets <var> to a command path that runs the executable target <target> with the given arguments.
function(dinotuner_program var target)
  if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    set(${var} $<TARGET_FILE:${target}> PARENT_SCOPE)
    return()
  endif()
  set(launcher ${CMAKE_BINARY_DIR}/launchers/${target})
  get_property(made GLOBAL PROPERTY DINOTUNER_LAUNCHER_${target})
  if(NOT made)
    list(JOIN CMAKE_CROSSCOMPILING_EMULATOR "\" \"" emulator)
    file(GENERATE OUTPUT ${launcher}
      CONTENT "#!/bin/sh\nexec \"${emulator}\" \"$<TARGET_FILE:${target}>\" \"$@\"\n"
      FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    set_property(GLOBAL PROPERTY DINOTUNER_LAUNCHER_${target} TRUE)
  endif()
  set(${var} ${launcher} PARENT_SCOPE)
endfunction()
