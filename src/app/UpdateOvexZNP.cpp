// Entry: options select the headless front end, otherwise the window opens.
#include "app/FrontEnds.h"

int main(int argc, char** argv) {
  if (argc > 1) return runConsole(argc, argv);
  return runWindow(argc, argv);
}
