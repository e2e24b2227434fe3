// A shared library for the loading tests; built twice, once needing the other.
extern "C" __attribute__((visibility("default"))) int StandIn() {
    return 1;
}
