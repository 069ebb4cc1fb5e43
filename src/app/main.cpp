#include <windows.h>

#include "app/zelto_app.h"

// Constructed before wWinMain: opens the log, loads the configuration and creates the
// per-user folders.
CZeltoApp theApp;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR cmd_line, int) {
  return framework::AfxWinMain(instance, cmd_line);
}
