// Default options the sanitizer runtimes read before main: the suppression
// files beside this file, and a report ends the process with a failure.
// Empty in a build without sanitizers.
#if defined(TESSARIN_SANITIZER_ADDRESS)
extern "C" const char* __asan_default_options()
{
    return "halt_on_error=1:detect_stack_use_after_return=0";
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
extern "C" const char* __tsan_default_options()
{
    return "suppressions=" TESSARIN_SANITIZER_DIR "/tsan.supp:halt_on_error=1:second_deadlock_stack=1:print_suppressions=0";
}
#endif
