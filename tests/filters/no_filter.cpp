// A library without the filter function.
extern "C" int SomethingElse() { return 1; }
