// What the benchmarks share: a photo-like picture of any size, and median timing.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

// Smooth gradients with some detail, so that it compresses like a real photo.
bool WriteBenchPicture(const std::wstring& path, const GUID& container, UINT width, UINT height);
double MedianMs(int runs, const std::function<void()>& work);
