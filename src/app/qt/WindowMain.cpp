// The Qt window front end.
#include <cstdio>

#include "app/FrontEnds.h"

int runWindow(int, char**) {
  std::fputs("the window is not built yet\n", stderr);
  return 1;
}
