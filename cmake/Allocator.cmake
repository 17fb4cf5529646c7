# The program's malloc: mimalloc, linked into the program and into the
# benchmarks that measure its memory or its waits, where it serves the whole
# process (Qt, FFmpeg, every thread) in place of glibc's. Each thread
# allocates from a heap of its own and frees another thread's memory without
# taking a lock, so the main thread never waits on a lock that a thread
# analysing files holds (see AllocatorSettings.cpp). Not under the
# sanitizers, which bring their own malloc; the tests keep glibc's.
if(NOT TESSARIN_SANITIZER_KIND)
  find_package(mimalloc 2.0 REQUIRED)
endif()

# tessarin_allocator(target): links the program's malloc into an executable.
function(tessarin_allocator target)
  if(NOT TESSARIN_SANITIZER_KIND)
    target_link_libraries(${target} PRIVATE mimalloc)
  endif()
endfunction()
