// Hidden windows through which later launches hand requests to this instance. They pass
// each hand-off on to the main window, which decides.
#pragma once
#include <string>

#include "view_render/message_window.h"

inline constexpr ULONG_PTR kHandOffCopyDataId = 0x22678201;
inline constexpr wchar_t kSingleInstanceReceiverName[] = L"43AF68E358C97DCF97C45EA164F";
inline constexpr wchar_t kAlwaysReceiverName[] = L"IPC-43AF68E358C97DCF97C45EA164F_Always";
inline constexpr wchar_t kMainFrameClassName[] = L"VantorMainFrameClass-b1f78b3cc4bd764c";

// The text of a hand-off record, or nothing when it is not one we may read: it must come
// with an even size of at least one character, and is read only inside that size.
bool ReadHandOffText(const COPYDATASTRUCT* cds, std::wstring* text);

class CIPCReceiver : public FCMessageWindow {
 public:
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
};

class CIPCAlwaysReceiver : public FCMessageWindow {
 public:
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
};

// Sends a hand-off record with the text; returns the receiver's answer, 0 when absent.
LRESULT SendHandOff(HWND target, const std::wstring& text);
LRESULT SendToAlwaysReceiver(const std::wstring& text);
