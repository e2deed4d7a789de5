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

# Its own module and build tag, from everything the module is made of.
sop_plugin_module(SOP_AutoSeams autoseams_core ${CMAKE_SOURCE_DIR}/autoseams/register.cpp AUTOSEAMS_BUILD_TAG autoseams
  autoseams flatten node mesh output nl)
