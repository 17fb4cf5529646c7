# tessarin_subsystem(NAME name SOURCES ... DEPENDS ...)
# Declares the static library of one subsystem folder, named tessarin_<name>.
function(tessarin_subsystem)
  cmake_parse_arguments(ARG "" "NAME" "SOURCES;DEPENDS" ${ARGN})
  add_library(tessarin_${ARG_NAME} STATIC ${ARG_SOURCES})
  target_include_directories(tessarin_${ARG_NAME} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(tessarin_${ARG_NAME} PUBLIC ${ARG_DEPENDS})
endfunction()

# tessarin_test(NAME name SOURCES ... DEPENDS ... [NEEDS_MEDIA])
# One GoogleTest executable per test folder; its cases are registered with CTest.
function(tessarin_test)
  cmake_parse_arguments(ARG "NEEDS_MEDIA" "NAME" "SOURCES;DEPENDS" ${ARGN})
  add_executable(${ARG_NAME} ${ARG_SOURCES})
  # Resources are an object library: named here so their initialisers are linked.
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_DEPENDS} tessarin_testsupport tessarin_resources)
  set(props ENVIRONMENT "QT_QPA_PLATFORM=offscreen;SDL_AUDIODRIVER=dummy")
  if(ARG_NEEDS_MEDIA)
    list(APPEND props FIXTURES_REQUIRED test_media)
  endif()
  gtest_discover_tests(${ARG_NAME}
    DISCOVERY_TIMEOUT 60
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ${props})
endfunction()
