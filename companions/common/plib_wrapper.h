// The interface that "common.dll" hands out through CreatePLibWrapper. The viewer calls
// it by slot, so the order of the virtual functions is the contract.
#pragma once

class IPLibWrapper {
 public:
  virtual void Init(int reserved, const wchar_t* product, int flags) = 0;  // slot 0
  virtual void Release() = 0;                                             // slot 1
  virtual void Reserved2() = 0;                                           // slot 2
  virtual void Reserved3() = 0;                                           // slot 3
  virtual void SetQuickIndex(int flag) = 0;                               // slot 4
  virtual int GetQuickIndex() = 0;                                        // slot 5

 protected:
  ~IPLibWrapper() = default;
};

extern "C" {
typedef int(__stdcall* StartStatFn)();
typedef int(__stdcall* SendStatUrlFn)(const wchar_t* category, const wchar_t* event);
typedef int(__stdcall* WaitStatCompleteFn)(unsigned timeout_ms);
typedef IPLibWrapper*(__stdcall* CreatePLibWrapperFn)();
typedef const wchar_t*(__stdcall* GetOsVersionFn)();
}
