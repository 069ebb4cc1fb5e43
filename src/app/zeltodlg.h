// The viewer's only top-level window: a caption-less dialog that runs modally for the
// life of the process, takes requests from other launches and runs the quit sequence.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>

#include "framework/dialog.h"

class WndMainImageView;
class CPngButton;

// Only the first dropped file counts, and only when it is a picture; else empty.
std::wstring DroppedPicture(HDROP drop);

class CZeltoDlg : public framework::CDialog {
 public:
  CZeltoDlg();
  ~CZeltoDlg() override;

  BOOL PreTranslateMessage(MSG* msg) override;
  bool IsClosing() const { return closing_; }
  // The picture path most recently asked for (command line, hand-off); empty for none.
  const std::wstring& requested_path() const { return requested_path_; }

 protected:
  BOOL OnInitDialog() override;
  BOOL OnCommand(WPARAM wp, LPARAM lp) override;
  void OnCancel() override;
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void OnPaint();
  void PaintTo(HDC dc);
  void OnSize(UINT type, int cx, int cy);
  LRESULT OnNcHitTest(LPARAM lp);
  void OnGetMinMaxInfo(MINMAXINFO* info);
  void OnTimer(UINT_PTR id);
  void OnClose();
  void OnDestroy();
  LRESULT OnCopyData(WPARAM wp, const COPYDATASTRUCT* cds);
  void PlaceTitle(int width, int height);
  void PlaceCaptionButtons(int client_width);
  void LayoutChildren();
  void ToggleFullScreen();
  void ShowOpenDialog();
  void OnDropFiles(HDROP drop);
  // Commands whose work arrives with later parts of the viewer.
  void NotYetAvailable(UINT command);
  void OpenPicture(const std::wstring& path);
  void RunQuitSequence();
  void Raise();
  void BringToTop();

  std::unique_ptr<WndMainImageView> image_view_;
  std::unique_ptr<CPngButton> close_button_, maximize_button_, minimize_button_;
  HACCEL accelerators_ = nullptr;
  bool closing_ = false;
  bool full_screen_ = false;
  std::unique_ptr<RECT> full_screen_saved_;
  UINT quit_message_ = 0;
  std::wstring requested_path_;
  HBRUSH back_brush_ = nullptr;
  HFONT font_normal_ = nullptr;  // the title while a file is open
  HFONT font_bold_ = nullptr;    // the title otherwise
};
