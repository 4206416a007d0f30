// Findings inside system libraries, which are not built with the sanitizers:
// - libx265 3.5 keeps a copy of its parameters and parsed option strings
//   past x265_encoder_close; those leaks are the library's, not ours.
// - Debian 12's fontconfig leaks a few bytes while it parses its
//   configuration files, once per process.
// - GLib and D-Bus, which the toolkit loads, keep process-wide caches that
//   they never free.
// - FFmpeg's frame-threaded decoder hands buffers between its threads with
//   atomics that ThreadSanitizer cannot see in uninstrumented code, so it
//   reports the hand-over as a race.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libx265.so\n"
           "leak:libfontconfig.so\n"
           "leak:libdbus-1.so\n"
           "leak:libglib-2.0.so\n";
}

extern "C" const char* __tsan_default_suppressions()
{
    return "race:libavcodec.so\n"
           "race:libavutil.so\n"
           "race:libx265.so\n";
}
