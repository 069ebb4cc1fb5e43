// The pixel effect chosen in the effect panel, applied wherever a picture is rendered.
// Mode 0 is "none"; the brighter, more colourful and sharper effects come with the panel.
#pragma once
#include <windows.h>

class FCObjImage;

namespace view_effect {

int CurrentMode();
void SetCurrentMode(int mode);
// Applies the current effect in place; running, when given, is polled to stop early.
void ApplyCurrentEffect(FCObjImage& image, const volatile LONG* running = nullptr);

}  // namespace view_effect
