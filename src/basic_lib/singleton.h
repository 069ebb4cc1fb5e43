// Process-wide objects created on first use and destroyed at a moment the owner picks.
// Create and destroy are paired: a create after a destroy makes a fresh object, and a
// destroy without an object does nothing, however often either is asked for.
#pragma once
#include <mutex>

template <typename T>
class CSingletonT {
 public:
  static T& Instance() {
    std::lock_guard<std::mutex> lock(Lock());
    if (!Slot()) Slot() = new T();
    return *Slot();
  }
  static bool Exists() {
    std::lock_guard<std::mutex> lock(Lock());
    return Slot() != nullptr;
  }
  static void DestroyInstance() {
    T* doomed = nullptr;
    {
      std::lock_guard<std::mutex> lock(Lock());
      doomed = Slot();
      Slot() = nullptr;
    }
    delete doomed;
  }

 protected:
  CSingletonT() = default;
  virtual ~CSingletonT() = default;

 private:
  static std::mutex& Lock() {
    static std::mutex lock;
    return lock;
  }
  static T*& Slot() {
    static T* instance = nullptr;
    return instance;
  }
};
