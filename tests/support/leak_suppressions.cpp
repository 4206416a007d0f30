// Debian 12's fontconfig leaks a few bytes while it parses its configuration
// files, once per process; the leak checker of the sanitizer build would
// otherwise fail every test that opens a font.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
