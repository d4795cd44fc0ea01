// Entry: options select the headless front end, otherwise the window opens.
// Arguments the program does not know open the window too when no one would
// read the usage: a file dropped onto the program, a shortcut with arguments.
#include "app/FrontEnds.h"
#include "platform/Processes.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments = platform::commandLineArguments(argc, argv);
  if (arguments.size() > 1 && (isHeadlessCommandLine(arguments) || startedFromConsole()))
    return runConsole(arguments);
  return runWindow(1, argv);
}
