# tessarin_subsystem(NAME name [DEPENDS ...])
# The static library tessarin_<name> of one subsystem folder, made of every
# .cpp file in the folder and its subfolders (an interface library while the
# folder has none).
function(tessarin_subsystem)
  cmake_parse_arguments(ARG "" "NAME" "DEPENDS" ${ARGN})
  # Headers are listed too, so AUTOMOC sees every Q_OBJECT header as soon as
  # it appears (found only beside a known source, a new one was missed).
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB_RECURSE headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(sources)
    list(APPEND sources ${headers})
    add_library(tessarin_${ARG_NAME} STATIC ${sources})
    target_include_directories(tessarin_${ARG_NAME} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(tessarin_${ARG_NAME} PUBLIC ${ARG_DEPENDS})
  else()
    add_library(tessarin_${ARG_NAME} INTERFACE)
    target_include_directories(tessarin_${ARG_NAME} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(tessarin_${ARG_NAME} INTERFACE ${ARG_DEPENDS})
  endif()
endfunction()

# tessarin_test(NAME name DEPENDS ... [NEEDS_MEDIA] [RUN_ALONE pattern ...])
# One GoogleTest executable of every .cpp file in the test folder; its cases
# are registered with CTest when the tests run (not at build time).
# RUN_ALONE names the cases (GoogleTest filter patterns, such as Suite.*) that
# must keep pace with real time using every core, such as live encoding: CTest
# runs each of them with no other test beside it.
function(tessarin_test)
  cmake_parse_arguments(ARG "NEEDS_MEDIA" "NAME" "DEPENDS;RUN_ALONE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${ARG_NAME} ${sources})
  # Resources are an object library: named here so their initialisers are linked.
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_DEPENDS} tessarin_testsupport tessarin_resources)
  tessarin_sanitizer_defaults(${ARG_NAME})
  # The test main sets QT_QPA_PLATFORM=offscreen and SDL_AUDIODRIVER=dummy
  # when they are unset. (An ENVIRONMENT list here would be split on its ';'
  # and swallow the properties after it.)
  set(props LABELS ${ARG_NAME})
  if(ARG_NEEDS_MEDIA)
    list(APPEND props FIXTURES_REQUIRED test_media)
  endif()
  if(NOT ARG_RUN_ALONE)
    gtest_discover_tests(${ARG_NAME}
      DISCOVERY_TIMEOUT 60
      DISCOVERY_MODE PRE_TEST
      PROPERTIES ${props})
    return()
  endif()
  list(JOIN ARG_RUN_ALONE ":" alone)
  gtest_discover_tests(${ARG_NAME}
    DISCOVERY_TIMEOUT 60
    DISCOVERY_MODE PRE_TEST
    TEST_FILTER "-${alone}"
    PROPERTIES ${props})
  gtest_discover_tests(${ARG_NAME}
    DISCOVERY_TIMEOUT 60
    DISCOVERY_MODE PRE_TEST
    TEST_FILTER "${alone}"
    PROPERTIES ${props} RUN_SERIAL TRUE)
endfunction()
