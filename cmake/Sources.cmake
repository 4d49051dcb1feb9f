# vornell_glob(OUT dir...) collects the C++ sources below each folder. Files in a
# folder named "module" belong to the plug-in module, not to the libraries.
function(vornell_glob out)
  set(result)
  foreach(dir ${ARGN})
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
    list(FILTER found EXCLUDE REGEX "/module/")
    list(APPEND result ${found})
  endforeach()
  list(SORT result)
  if(NOT result)
    # A folder may still be empty while its subsystem is being written.
    set(placeholder ${CMAKE_BINARY_DIR}/empty_${out}.cpp)
    file(WRITE ${placeholder} "// no sources yet\n")
    set(result ${placeholder})
  endif()
  set(${out} ${result} PARENT_SCOPE)
endfunction()
