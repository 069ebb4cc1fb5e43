#include "widgets/ui_event.h"

#include <atomic>
#include <set>
#include <vector>

namespace {
std::set<CUIEventObserver*>* g_observers = nullptr;  // window thread only
}

int CUIEventParam::NextType() {
  static std::atomic<int> counter{0};
  return ++counter;
}

CUIEventObserver::CUIEventObserver() {
  if (!g_observers) g_observers = new std::set<CUIEventObserver*>();
  g_observers->insert(this);
}

CUIEventObserver::~CUIEventObserver() {
  if (!g_observers) return;
  g_observers->erase(this);
  if (g_observers->empty()) {
    delete g_observers;
    g_observers = nullptr;
  }
}

void FireUIEvent(const CUIEventParam& event) {
  if (!g_observers) return;
  // An observer may go away while being told.
  std::vector<CUIEventObserver*> snapshot(g_observers->begin(), g_observers->end());
  for (CUIEventObserver* o : snapshot)
    if (g_observers && g_observers->count(o)) o->OnUIEvent(&event);
}
