// Taking over a reference that a function returned. mingw-w64's ComPtr::Attach adds a
// reference of its own (unlike other implementations), so it would leak every such
// object: adopt through the address instead, which works the same everywhere.
#pragma once
#include <wrl/client.h>

namespace framework {

template <typename T>
Microsoft::WRL::ComPtr<T> AdoptRef(T* owned) {
  Microsoft::WRL::ComPtr<T> ptr;
  *ptr.GetAddressOf() = owned;
  return ptr;
}

}  // namespace framework
