// The folders of the program: the install folder beside the executable, and the
// per-user data folder ("Vantro") and log folder ("Vantor") under the roaming
// application-data folder. Paths end in a backslash.
#pragma once
#include <string>

namespace app_paths {

std::wstring InstallFolder();  // folder of the executable
std::wstring DataFolder();     // ...\Vantro\ (config.ini, temp\)
std::wstring TempFolder();     // data folder + "temp\"
std::wstring CrashFolder();    // temp folder + "crash\"
std::wstring LogFolder();      // ...\Vantor\ (main.log)
std::wstring ConfigPath();     // data folder + "config.ini"

// Creates the data, temporary and crash folders, each one level, when the crash folder
// is missing.
void CreateUserFolders();

}  // namespace app_paths
