# The command-line host "sopcook": a library with everything but main(),
# so that tests and the benchmark can reuse the geometry files and the
# drawing, and the program itself.
find_package(tinyobjloader REQUIRED)
find_package(nlohmann_json 3.10 REQUIRED) # glTF's JSON
find_package(PkgConfig REQUIRED)
pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo)

file(GLOB_RECURSE SOPCOOK_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/sopcook/*.cpp)
list(FILTER SOPCOOK_SOURCES EXCLUDE REGEX "/sopcook/main\\.cpp$")
add_library(sopcook_lib STATIC ${SOPCOOK_SOURCES})
target_include_directories(sopcook_lib PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/sopcook)
# Cairo is public: the drawing headers use its types, and the tests read
# the pictures back with it.
target_link_libraries(sopcook_lib PUBLIC host PkgConfig::CAIRO nlohmann_json::nlohmann_json PRIVATE tinyobjloader::tinyobjloader ${CMAKE_DL_LIBS})

add_executable(sopcook ${CMAKE_CURRENT_SOURCE_DIR}/sopcook/main.cpp)
target_link_libraries(sopcook PRIVATE sopcook_lib)
# The program finds plug-ins in ../dso next to itself, where the plug-in
# module is built; export its symbols so that modules resolve host
# functions against the same copy of the kit.
set_target_properties(sopcook PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin
  ENABLE_EXPORTS ON)

if(FLATSKIN_TESTS)
  # Plug-ins made only for the tests of the loader and the program. Their
  # sources end in .cc so that the test folder glob (*.cpp) leaves them out
  # of the test program.
  add_library(SOP_TestCopy MODULE ${CMAKE_CURRENT_SOURCE_DIR}/tests/sopcook/plugins/SOP_TestCopy.cc)
  target_link_libraries(SOP_TestCopy PRIVATE host)
  set_target_properties(SOP_TestCopy PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-dso)
  add_library(SOP_NoEntry MODULE ${CMAKE_CURRENT_SOURCE_DIR}/tests/sopcook/plugins/SOP_NoEntry.cc)
  set_target_properties(SOP_NoEntry PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-dso)
  add_library(SOP_OldVersion MODULE ${CMAKE_CURRENT_SOURCE_DIR}/tests/sopcook/plugins/SOP_OldVersion.cc)
  target_link_libraries(SOP_OldVersion PRIVATE host)
  set_target_properties(SOP_OldVersion PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-dso)
endif()

# The tests run the real program and load the test plug-ins: once the test
# folder has made test_sopcook, hand it their paths and build them with it.
function(sopcook_wire_tests)
  if(TARGET test_sopcook)
    target_compile_definitions(test_sopcook PRIVATE
      SOPCOOK_PROGRAM="$<TARGET_FILE:sopcook>"
      SOPCOOK_TEST_DSO="$<TARGET_FILE:SOP_TestCopy>"
      SOPCOOK_NOENTRY_DSO="$<TARGET_FILE:SOP_NoEntry>"
      SOPCOOK_OLDVERSION_DSO="$<TARGET_FILE:SOP_OldVersion>")
    add_dependencies(test_sopcook sopcook SOP_TestCopy SOP_NoEntry SOP_OldVersion)
    if(TARGET SOP_Flatskin)
      target_compile_definitions(test_sopcook PRIVATE FLATSKIN_DSO="$<TARGET_FILE:SOP_Flatskin>")
      add_dependencies(test_sopcook SOP_Flatskin)
    endif()
  endif()
endfunction()
if(FLATSKIN_TESTS)
  cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL sopcook_wire_tests)
endif()
