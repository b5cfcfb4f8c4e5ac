// Leak checking of the desktop tests in sanitizer builds.
//
// Blocks that system libraries keep until the process ends are not leaks of
// ours: Qt Multimedia's PulseAudio client (libpulse, GLib under it) and the
// sound libraries keep a few, and so does fontconfig under Qt.
//
// The check itself runs when the tests are done but while the application
// still lives: the media framework winds its threads down as the application
// goes, and the checker, stopping every thread at exit, would trip over
// threads that are just ending.
#include <gtest/gtest.h>

extern "C" const char* __lsan_default_suppressions();

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libpulse.so\n"
           "leak:libglib-2.0.so\n"
           "leak:libgstreamer-1.0.so\n"
           "leak:libasound.so\n"
           "leak:libfontconfig.so\n"
           "leak:__vasprintf_internal\n";
}

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>

namespace {

class LeakCheckBeforeExit : public ::testing::Environment {
public:
    void TearDown() override { __lsan_do_leak_check(); }
};

[[maybe_unused]] ::testing::Environment* const g_leakCheck =
    ::testing::AddGlobalTestEnvironment(new LeakCheckBeforeExit);

}  // namespace
#endif
