#include "effects/image_effect.h"

#include <atomic>

#include "image/fc_obj_image.h"

namespace view_effect {
namespace {
std::atomic<int> g_mode{0};
}

int CurrentMode() { return g_mode; }
void SetCurrentMode(int mode) { g_mode = mode; }

void ApplyCurrentEffect(FCObjImage&, const volatile LONG*) {
  // Only "none" can be chosen until the effect panel exists.
}

}  // namespace view_effect
