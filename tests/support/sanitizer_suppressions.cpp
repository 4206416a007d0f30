// libx265 3.5 keeps a copy of its parameters and parsed option strings past
// x265_encoder_close; those leaks are the library's, not ours.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libx265.so\n";
}
