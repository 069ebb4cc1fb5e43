// Runs this thread's messages until a condition holds or the deadline passes, so that
// window-thread work (task completions, timers) goes on while a test or benchmark waits.
#pragma once
#include <windows.h>

#include <functional>

bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeout_ms = 10000);
