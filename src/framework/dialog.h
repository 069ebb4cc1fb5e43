// Dialogs from templates in the resources. DoModal runs its own message loop so that
// PreTranslateMessage sees every message first, as the frame's accelerators need.
#pragma once
#include "framework/wnd.h"

namespace framework {

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT template_id, HWND parent = nullptr);
  ~CDialog() override;

  // Returns the code given to EndDialog, or -1 when the window could not be created.
  virtual INT_PTR DoModal();
  void EndDialog(INT_PTR result);
  bool IsModalRunning() const { return modal_running_; }

  BOOL PreTranslateMessage(MSG* msg) override;

 protected:
  virtual BOOL OnInitDialog() { return TRUE; }
  virtual BOOL OnCommand(WPARAM wp, LPARAM lp);
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }

  LRESULT DefWindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

  UINT template_id_;
  HWND parent_;

 private:
  static INT_PTR CALLBACK StaticDlgProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  WNDPROC original_proc_ = nullptr;
  bool modal_running_ = false;
  INT_PTR modal_result_ = -1;
};

}  // namespace framework
