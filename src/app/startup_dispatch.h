// What a launch does before any window exists: a service run, a hand-off to a running
// viewer, or a real start.
#pragma once
#include <string>

class CCommandLine;

namespace startup_dispatch {

// True: start a window. False: the launch was handled and ends here.
bool Run(const CCommandLine& command_line);

// Sends the text to the first idle main window of another process; true when taken.
bool HandToIdleWindow(const std::wstring& text);

// Last-instance exit: when no other viewer window remains, stop the tray program.
void RunLastInstanceExit();

}  // namespace startup_dispatch
