// Under the leak checker: the toolkit's libraries keep caches (fonts, themes,
// GL drivers) until the process ends; only leaks of our own count.
extern "C" const char* __lsan_default_suppressions();

extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\nleak:libgtk-3.so\nleak:libgdk-3.so\nleak:libglib-2.0.so\n"
           "leak:libgobject-2.0.so\nleak:libpango\nleak:libcairo.so\nleak:libharfbuzz.so\n"
           "leak:libGLX_mesa.so\nleak:swrast_dri.so\nleak:libLLVM\nleak:libdbus\nleak:libatk\n";
}
