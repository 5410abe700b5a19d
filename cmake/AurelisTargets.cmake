# A library made of every source file in one folder (not its subfolders).
# NO_PCH: a library without Qt's widgets, which the common headers need.
function(aurelis_library name dir)
  set(_libs ${ARGN})
  list(REMOVE_ITEM _libs NO_PCH)
  file(GLOB _src CONFIGURE_DEPENDS
       ${PROJECT_SOURCE_DIR}/${dir}/*.cpp ${PROJECT_SOURCE_DIR}/${dir}/*.c
       ${PROJECT_SOURCE_DIR}/${dir}/*.h ${PROJECT_SOURCE_DIR}/${dir}/*.qrc)
  if(NOT _src MATCHES "\\.(cpp|c)(;|$)")
    # A folder whose code is still to come: keep the target linkable.
    set(_stub ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
    file(WRITE ${_stub} "namespace { [[maybe_unused]] int ${name}_empty; }\n")
    list(APPEND _src ${_stub})
  endif()
  add_library(${name} STATIC ${_src})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${_libs})
  if(NOT "NO_PCH" IN_LIST ARGN)
    aurelis_use_pch(${name} aurelis_pch)
  endif()
endfunction()

# A test program made of every source file in one tests folder, plus the shared test main.
function(aurelis_test name dir)
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.h)
  add_executable(${name} ${_src})
  target_link_libraries(${name} PRIVATE test_support ${ARGN})
  aurelis_use_pch(${name} aurelis_test_pch)
  # A command the program runs under, listing its tests included (the sanitizer build's options).
  if(AURELIS_TEST_LAUNCHER)
    set_property(TARGET ${name} PROPERTY CROSSCOMPILING_EMULATOR ${AURELIS_TEST_LAUNCHER})
  endif()
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;AURELIS_CORPUS=${AURELIS_CORPUS_DIR};AURELIS_SAMPLES=${PROJECT_SOURCE_DIR}/samples"
               ${AURELIS_TEST_FIXTURES}
    DISCOVERY_TIMEOUT 60)
endfunction()
