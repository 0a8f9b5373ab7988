// A module for the loading tests.
extern "C" __attribute__((visibility("default"))) int velmoTestAnswer() { return 42; }
// Its version resource: 5.0.2.7.
extern "C" __attribute__((visibility("default"))) const unsigned VelmoFileVersion[2] = {0x00050000, 0x00020007};
