// The registry work of the association library, kept apart from its exports so that it
// can be tested: per-user program ids "Vantor.<ext>" and their open-with entries.
#pragma once
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace association {

// The picture extensions the viewer offers to open, without dots.
const std::vector<std::wstring>& PictureExtensions();

// Registers or removes one extension under root\Software\Classes for the viewer at exe.
bool Register(HKEY root, const std::wstring& ext, const std::wstring& exe);
void Unregister(HKEY root, const std::wstring& ext);
bool IsRegistered(HKEY root, const std::wstring& ext, const std::wstring& exe);

// Parses a change list "|bmp:1||gif:0|" into (extension, claim) pairs. Entries that are
// not of that form are skipped; only extensions of the picture list are accepted.
std::vector<std::pair<std::wstring, bool>> ParseChangeList(const wchar_t* text, size_t max_length = 4096);

}  // namespace association
