// Leak checking of the desktop tests in sanitizer builds, and what their race
// checking leaves out (at the end).
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

#if defined(__SANITIZE_THREAD__)
// Race checking of the desktop tests under ThreadSanitizer, against the
// distribution's Qt, which is not built with it.
//
// Qt's own threads (the pooled threads that scale and convert images, the
// thumbnails' thread pool) hand data around under Qt's futex-based locks,
// which the checker cannot see; every allocation, copy and free that Qt's
// libraries make through the C library would then look unordered. The calls
// these libraries make into the checker's interceptors are therefore left
// out (called_from_lib): what Qt does inside itself is not checked, nor is
// the ordering of its own pthread calls used, while every access our own
// code makes still is checked. Our code's handovers through Qt are annotated
// (ui/handover.h) and need neither. GLib, under Qt's event loop, is left out
// the same way: its per-thread blocks are made on one of Qt's pooled threads
// and freed on another.
//
// No race: suppression names one of these libraries, since our own code runs
// with their frames below it and would be hidden with them.
//
// The burning library scans for drives on a thread of its own, which its
// caller polls to an end (burn_drive_scan answering non-zero); burn_finish
// then clears the drive table that thread wrote, ordered only by that
// polling, which the checker cannot see.
extern "C" const char* __tsan_default_suppressions();

extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so\n"
           "called_from_lib:libQt6Gui.so\n"
           "called_from_lib:libQt6Widgets.so\n"
           "called_from_lib:libglib-2.0.so\n"
           "race:burn_finish\n";
}
#endif

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
