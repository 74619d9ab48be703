// ThreadSanitizer suppressions for the FFmpeg libraries, compiled into every test that
// uses the media support library. FFmpeg is not built with the sanitizer: the atomics and
// frame-threading hand-overs inside libavcodec and libavutil are invisible to it, so it
// reports their own buffer reference counting as races. Our code's races still show.
extern "C" const char* __tsan_default_suppressions();

extern "C" const char* __tsan_default_suppressions() {
    return "race:libavcodec.so\n"
           "race:libavutil.so\n"
           "race:libavformat.so\n"
           "race:libswscale.so\n"
           "race:libswresample.so\n";
}
