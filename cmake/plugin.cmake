# The flatskin plug-in: the node's code as a static library (the tests link
# it directly) and the loadable module the host opens.
file(GLOB_RECURSE FLATSKIN_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/node/*.cpp ${CMAKE_SOURCE_DIR}/mesh/*.cpp
  ${CMAKE_SOURCE_DIR}/flatten/*.cpp ${CMAKE_SOURCE_DIR}/output/*.cpp)
list(REMOVE_ITEM FLATSKIN_SOURCES ${CMAKE_SOURCE_DIR}/node/register.cpp)
add_library(flatskin_core STATIC ${FLATSKIN_SOURCES})
target_include_directories(flatskin_core PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(flatskin_core PUBLIC host nl)
# The module exports only its entry points (marked in node/register.cpp);
# everything linked into it is hidden.
set_target_properties(flatskin_core PROPERTIES C_VISIBILITY_PRESET hidden CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON)

# The build tag: 166 hex digits digested from the compiler, its flags and
# every source of the module, remade whenever one of them changes.
file(GLOB_RECURSE FLATSKIN_TAG_INPUTS CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/node/* ${CMAKE_SOURCE_DIR}/mesh/* ${CMAKE_SOURCE_DIR}/flatten/*
  ${CMAKE_SOURCE_DIR}/output/* ${CMAKE_SOURCE_DIR}/nl/*)
set(FLATSKIN_TAG_HEADER ${CMAKE_BINARY_DIR}/generated/flatskin_build_tag.h)
string(TOUPPER "${CMAKE_BUILD_TYPE}" _bt)
set(FLATSKIN_TAG_SALT "${CMAKE_CXX_COMPILER_ID} ${CMAKE_CXX_COMPILER_VERSION} ${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${_bt}}")
set(FLATSKIN_TAG_LIST ${CMAKE_BINARY_DIR}/generated/flatskin_tag_inputs.txt)
string(REPLACE ";" "\n" _tag_lines "${FLATSKIN_TAG_SALT};${FLATSKIN_TAG_INPUTS}")
file(CONFIGURE OUTPUT ${FLATSKIN_TAG_LIST} CONTENT "${_tag_lines}\n")
add_custom_command(
  OUTPUT ${FLATSKIN_TAG_HEADER}
  COMMAND ${CMAKE_COMMAND} -DOUT=${FLATSKIN_TAG_HEADER} -DLIST=${FLATSKIN_TAG_LIST}
          -P ${CMAKE_SOURCE_DIR}/cmake/build_tag.cmake
  DEPENDS ${FLATSKIN_TAG_INPUTS} ${FLATSKIN_TAG_LIST} ${CMAKE_SOURCE_DIR}/cmake/build_tag.cmake
  COMMENT "Digesting the build tag")

add_library(SOP_Flatskin MODULE ${CMAKE_SOURCE_DIR}/node/register.cpp ${FLATSKIN_TAG_HEADER})
target_link_libraries(SOP_Flatskin PRIVATE flatskin_core)
target_compile_options(SOP_Flatskin PRIVATE -include ${FLATSKIN_TAG_HEADER})
target_link_options(SOP_Flatskin PRIVATE -Wl,--version-script=${CMAKE_SOURCE_DIR}/cmake/plugin_exports.map)
set_property(TARGET SOP_Flatskin APPEND PROPERTY LINK_DEPENDS ${CMAKE_SOURCE_DIR}/cmake/plugin_exports.map)
set_target_properties(SOP_Flatskin PROPERTIES PREFIX ""
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/dso
  C_VISIBILITY_PRESET hidden CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON
  BUILD_RPATH "$ORIGIN/../lib;${CMAKE_BINARY_DIR}")
