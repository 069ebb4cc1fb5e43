// The application object: brings up the process-wide services, decides with the command
// line whether this launch opens a window, runs the main frame modally and tears
// everything down in a fixed order.
#pragma once
#include <memory>
#include <string>

#include "framework/win_app.h"

struct IWICImagingFactory;
class FCAutoInitializeCOM;
class FCAutoInitGDIPlus;
class CIPCReceiver;
class CIPCAlwaysReceiver;

class CZeltoApp : public framework::CWinApp {
 public:
  CZeltoApp();
  ~CZeltoApp() override;

  BOOL InitInstance() override;
  int ExitInstance() override;

  // Creates or removes the receiver windows as only_one_instance says.
  void UpdateInstanceReceivers();

  // Starts "VantorTray.exe" with the parameters and " --from=main" unless a tray runs.
  static bool StartTray(const std::wstring& params);

 private:
  // True when the launch was handed to the tray for an update and must end here.
  bool RunUpdateHandOff();

  std::unique_ptr<FCAutoInitializeCOM> com_;
  std::unique_ptr<FCAutoInitGDIPlus> gdiplus_;
  std::unique_ptr<CIPCReceiver> receiver_;
  std::unique_ptr<CIPCAlwaysReceiver> always_receiver_;
};

CZeltoApp& GetApp();

// The process-wide WIC factory; null when it could not be created.
IWICImagingFactory* GetWICFactory();
// Creates (again) or releases the process-wide WIC factory.
bool CreateWICFactory();
void ReleaseWICFactory();
