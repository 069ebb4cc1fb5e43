#include <windows.h>
extern "C" __declspec(dllexport) IUnknown* __stdcall load_image(const wchar_t*, void*) { return nullptr; }
