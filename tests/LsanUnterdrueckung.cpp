// Linked into every test program of a sanitizer build: memory that Qt's GUI
// stack (fonts, platform integration) keeps until the process ends is not a
// leak of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libQt6Gui\n"
           "leak:libQt6Widgets\n"
           "leak:libfontconfig\n"
           "leak:libfreetype\n"
           "leak:libharfbuzz\n"
           "leak:libglib-2.0\n";
}
