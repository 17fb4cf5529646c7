// Default options the sanitizer runtimes read before main: the suppression
// files beside this file, and a report ends the process with a failure.
// Empty in a build without sanitizers.
#if defined(TESSARIN_SANITIZER_ADDRESS)
// The slow unwinder for allocations: FFmpeg's libraries have no frame
// pointers, so the fast one stops at av_malloc and a leak inside FFmpeg could
// not be told from one of ours.
extern "C" const char* __asan_default_options()
{
    return "halt_on_error=1:fast_unwind_on_malloc=0";
}

extern "C" const char* __lsan_default_options()
{
    return "suppressions=" TESSARIN_SANITIZER_DIR "/lsan.supp:print_suppressions=0";
}

extern "C" const char* __ubsan_default_options()
{
    return "halt_on_error=1:print_stacktrace=1";
}
#elif defined(TESSARIN_SANITIZER_THREAD)
// Qt, GLib and FFmpeg are not instrumented: the allocations and copies they
// make (through intercepted calls) are not checked, as their own accesses
// are not; ours are, wherever they are called from.
extern "C" const char* __tsan_default_options()
{
    return "suppressions=" TESSARIN_SANITIZER_DIR "/tsan.supp:ignore_noninstrumented_modules=1:halt_on_error=1"
           ":second_deadlock_stack=1:print_suppressions=0";
}
#endif
