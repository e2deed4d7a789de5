# The autoseams plug-in: its code as a static library (the tests and the
# benchmark link it directly) and the loadable module the host opens, built
# like the flatskin module beside it. It shares flatskin's conformal rows
# and solver set-up through flatskin_core.
file(GLOB AUTOSEAMS_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/autoseams/*.cpp)
list(REMOVE_ITEM AUTOSEAMS_SOURCES ${CMAKE_SOURCE_DIR}/autoseams/register.cpp)
add_library(autoseams_core STATIC ${AUTOSEAMS_SOURCES})
target_include_directories(autoseams_core PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(autoseams_core PUBLIC flatskin_core host nl)
set_target_properties(autoseams_core PROPERTIES C_VISIBILITY_PRESET hidden CXX_VISIBILITY_PRESET hidden)

# Its own build tag, digested from the compiler, its flags and every source
# the module is made of.
file(GLOB_RECURSE AUTOSEAMS_TAG_INPUTS CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/autoseams/* ${CMAKE_SOURCE_DIR}/flatten/* ${CMAKE_SOURCE_DIR}/node/*
  ${CMAKE_SOURCE_DIR}/mesh/* ${CMAKE_SOURCE_DIR}/output/* ${CMAKE_SOURCE_DIR}/nl/*)
set(AUTOSEAMS_TAG_HEADER ${CMAKE_BINARY_DIR}/generated/autoseams_build_tag.h)
string(TOUPPER "${CMAKE_BUILD_TYPE}" _bt)
set(AUTOSEAMS_TAG_SALT "autoseams ${CMAKE_CXX_COMPILER_ID} ${CMAKE_CXX_COMPILER_VERSION} ${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${_bt}}")
set(AUTOSEAMS_TAG_LIST ${CMAKE_BINARY_DIR}/generated/autoseams_tag_inputs.txt)
string(REPLACE ";" "\n" _tag_lines "${AUTOSEAMS_TAG_SALT};${AUTOSEAMS_TAG_INPUTS}")
file(CONFIGURE OUTPUT ${AUTOSEAMS_TAG_LIST} CONTENT "${_tag_lines}\n")
add_custom_command(
  OUTPUT ${AUTOSEAMS_TAG_HEADER}
  COMMAND ${CMAKE_COMMAND} -DOUT=${AUTOSEAMS_TAG_HEADER} -DLIST=${AUTOSEAMS_TAG_LIST} -DMACRO=AUTOSEAMS_BUILD_TAG
          -P ${CMAKE_SOURCE_DIR}/cmake/build_tag.cmake
  DEPENDS ${AUTOSEAMS_TAG_INPUTS} ${AUTOSEAMS_TAG_LIST} ${CMAKE_SOURCE_DIR}/cmake/build_tag.cmake
  COMMENT "Digesting the autoseams build tag")

add_library(SOP_AutoSeams MODULE ${CMAKE_SOURCE_DIR}/autoseams/register.cpp ${AUTOSEAMS_TAG_HEADER})
target_link_libraries(SOP_AutoSeams PRIVATE autoseams_core)
target_compile_options(SOP_AutoSeams PRIVATE -include ${AUTOSEAMS_TAG_HEADER})
# Only the three entry points leave the module: the code it takes from the
# static libraries (flatskin's rows, the solver) stays its own, whatever
# visibility those libraries were built with.
target_link_options(SOP_AutoSeams PRIVATE -Wl,--exclude-libs,ALL)
set_target_properties(SOP_AutoSeams PROPERTIES PREFIX ""
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/dso
  C_VISIBILITY_PRESET hidden CXX_VISIBILITY_PRESET hidden
  BUILD_RPATH "$ORIGIN/../lib;${CMAKE_BINARY_DIR}")
