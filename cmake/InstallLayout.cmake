# Where things are installed.
#
# The engine libraries (corvane, tovik, moorlat, interceptor) have generic
# names, so they never go into the system's library folder: on ELF platforms
# they live in a folder of their own, <libdir>/ornatex, and libornatex and the
# programs find them through RUNPATH entries relative to where they lie
# themselves ($ORIGIN). The same layout then works under /usr, under any
# `cmake --install --prefix`, and after the install folder is moved.
# On Windows the DLLs sit beside the programs in bin/ and only the import
# libraries go to the library folder.
if(WIN32)
  set(ORNATEX_INSTALL_ENGINEDIR ${CMAKE_INSTALL_LIBDIR})
else()
  set(ORNATEX_INSTALL_ENGINEDIR ${CMAKE_INSTALL_LIBDIR}/ornatex)
endif()

# ornatex_install_runpath(<target> <folder it is installed in> <library folder>...)
# Gives the installed <target> a RUNPATH of each library folder relative to
# its own folder. Folders are install destinations (relative to the prefix,
# or absolute).
function(ornatex_install_runpath target from)
  if(WIN32)
    return()
  endif()
  set(runpath)
  foreach(dir IN ITEMS ${from} ${ARGN})
    if(NOT IS_ABSOLUTE "${dir}")
      set(dir "${CMAKE_INSTALL_PREFIX}/${dir}")
    endif()
    list(APPEND absolute "${dir}")
  endforeach()
  list(POP_FRONT absolute origin)
  foreach(dir IN LISTS absolute)
    file(RELATIVE_PATH relative "${origin}" "${dir}")
    if(relative STREQUAL "")
      list(APPEND runpath "$ORIGIN")
    else()
      list(APPEND runpath "$ORIGIN/${relative}")
    endif()
  endforeach()
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "${runpath}")
endfunction()
