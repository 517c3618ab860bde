# Fails when a source of the tree includes a file through "../": each layer
# reaches what it may include through its own include root, and a path
# relative to the including file would pass by that root unseen.
#
# cmake -DROOT=SOURCE_DIR -DSTAMP=FILE -P NoParentIncludes.cmake, from the
# build; the build trees inside ROOT (build/) are not sources.
file(GLOB children LIST_DIRECTORIES true RELATIVE ${ROOT} ${ROOT}/*)
list(FILTER children EXCLUDE REGEX "^(build|\\..*)$")
set(offending "")
foreach(child ${children})
  if(IS_DIRECTORY ${ROOT}/${child})
    file(GLOB_RECURSE sources RELATIVE ${ROOT} ${ROOT}/${child}/*.h ${ROOT}/${child}/*.hpp ${ROOT}/${child}/*.c
         ${ROOT}/${child}/*.cpp)
  else()
    set(sources ${child})
    list(FILTER sources INCLUDE REGEX "\\.(h|hpp|c|cpp)$")
  endif()
  foreach(source ${sources})
    file(STRINGS ${ROOT}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"][^>\"]*\\.\\./")
    foreach(include ${includes})
      string(STRIP "${include}" include)
      string(APPEND offending "\n  ${source}: ${include}")
    endforeach()
  endforeach()
endforeach()
if(offending)
  message(FATAL_ERROR "an include goes through '../' instead of its layer's include root:${offending}")
endif()
file(TOUCH ${STAMP})
