// The platform tests' HTTP server, shared with the main window's tests of the
// version check.
#include "tests/platform/LocalHttpServer.cpp"
