// The user-interface event bus: windows that care about a change observe it instead of
// being told by name.
#pragma once

class CUIEventParam {
 public:
  virtual ~CUIEventParam() = default;
  virtual int GetType() const = 0;

 protected:
  static int NextType();
};

// Each event class gets its type number the first time it is asked for.
template <typename Derived>
class CUIEventOf : public CUIEventParam {
 public:
  static int Type() {
    static const int type = NextType();
    return type;
  }
  int GetType() const override { return Type(); }
};

class CUIEventViewImageChanged : public CUIEventOf<CUIEventViewImageChanged> {};
class CUIEventFolderImageCollected : public CUIEventOf<CUIEventFolderImageCollected> {};
class CUIEventViewZoomChanged : public CUIEventOf<CUIEventViewZoomChanged> {
 public:
  CUIEventViewZoomChanged(float r, float fit) : ratio(r), fit_ratio(fit) {}
  float ratio;
  float fit_ratio;
};

class CUIEventObserver {
 public:
  CUIEventObserver();
  virtual ~CUIEventObserver();
  CUIEventObserver(const CUIEventObserver&) = delete;
  CUIEventObserver& operator=(const CUIEventObserver&) = delete;
  virtual void OnUIEvent(const CUIEventParam* event) = 0;
};

// Calls every observer, in the order of the set.
void FireUIEvent(const CUIEventParam& event);
