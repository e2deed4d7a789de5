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

# A plug-in module: register_source with core linked in, named name, in
# build/dso. Its build tag (166 hex digits in the macro tag_macro) is
# digested from the compiler, its flags, salt and every file below the
# folders given after the salt, and remade whenever one of them changes.
# Only the host's three entry points leave the module (plugin_exports.map).
function(sop_plugin_module name core register_source tag_macro salt)
  set(inputs)
  foreach(folder ${ARGN})
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*)
    list(APPEND inputs ${found})
  endforeach()
  string(TOLOWER ${tag_macro} stem)
  set(header ${CMAKE_BINARY_DIR}/generated/${stem}.h)
  set(list_file ${CMAKE_BINARY_DIR}/generated/${stem}_inputs.txt)
  string(TOUPPER "${CMAKE_BUILD_TYPE}" bt)
  string(STRIP "${salt} ${CMAKE_CXX_COMPILER_ID} ${CMAKE_CXX_COMPILER_VERSION} ${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${bt}}" tag_salt)
  string(REPLACE ";" "\n" lines "${tag_salt};${inputs}")
  file(CONFIGURE OUTPUT ${list_file} CONTENT "${lines}\n")
  add_custom_command(
    OUTPUT ${header}
    COMMAND ${CMAKE_COMMAND} -DOUT=${header} -DLIST=${list_file} -DMACRO=${tag_macro}
            -P ${CMAKE_SOURCE_DIR}/cmake/build_tag.cmake
    DEPENDS ${inputs} ${list_file} ${CMAKE_SOURCE_DIR}/cmake/build_tag.cmake
    COMMENT "Digesting the build tag of ${name}")
  add_library(${name} MODULE ${register_source} ${header})
  target_link_libraries(${name} PRIVATE ${core})
  target_compile_options(${name} PRIVATE -include ${header})
  target_link_options(${name} PRIVATE -Wl,--version-script=${CMAKE_SOURCE_DIR}/cmake/plugin_exports.map)
  set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${CMAKE_SOURCE_DIR}/cmake/plugin_exports.map)
  set_target_properties(${name} PROPERTIES PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/dso
    C_VISIBILITY_PRESET hidden CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON
    BUILD_RPATH "$ORIGIN/../lib;${CMAKE_BINARY_DIR}")
endfunction()

sop_plugin_module(SOP_Flatskin flatskin_core ${CMAKE_SOURCE_DIR}/node/register.cpp FLATSKIN_BUILD_TAG ""
  node mesh flatten output nl)
