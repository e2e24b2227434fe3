// A libtonekit.so that lacks most of its exports, for the binding test.
extern "C" __attribute__((visibility("default"))) int GetOpenFilenames() {
    return 0;
}
extern "C" __attribute__((visibility("default"))) int LBDeleteSelected() {
    return 0;
}
