# The sanitizer runtime's defaults for every executable of a sanitizer build:
# the suppression files of tools/sanitizers (third-party reports only) and
# stopping at the first report, so a report fails the test that made it.
# Settings in ASAN_OPTIONS, LSAN_OPTIONS, UBSAN_OPTIONS or TSAN_OPTIONS still
# win over these.
add_library(tessarin_sanitizer_defaults OBJECT ${PROJECT_SOURCE_DIR}/tools/sanitizers/SanitizerDefaults.cpp)
if(TESSARIN_SANITIZER_KIND)
  target_compile_definitions(tessarin_sanitizer_defaults PRIVATE
    TESSARIN_SANITIZER_DIR="${PROJECT_SOURCE_DIR}/tools/sanitizers"
    TESSARIN_SANITIZER_$<UPPER_CASE:${TESSARIN_SANITIZER_KIND}>=1)
endif()

# tessarin_sanitizer_defaults(target): links the defaults into an executable.
function(tessarin_sanitizer_defaults target)
  target_link_libraries(${target} PRIVATE tessarin_sanitizer_defaults)
endfunction()
