// One counted reference to a COM interface, released when it goes out of scope.
//
// A raw pointer comes in only through a call named for what it does to the
// count, so that no call site can take the wrong one by habit:
//   Adopt / Adopting  take over a reference the giver already counted (a fresh
//                     object, a pointer an out-parameter call filled in);
//   Share / Sharing   add a reference of their own (a pointer borrowed from a
//                     caller, which keeps its reference).
// Receive hands the empty slot to a call that fills it, which is adopting.
#pragma once

#include <utility>

namespace orlin {

template <class T>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() { Clear(); }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ComRef(ComRef&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComRef& operator=(ComRef&& other) noexcept {
    if (this != &other) Replace(std::exchange(other.p_, nullptr));
    return *this;
  }

  static ComRef Adopting(T* owned) {
    ComRef ref;
    ref.p_ = owned;
    return ref;
  }
  static ComRef Sharing(T* shared) {
    ComRef ref;
    ref.Share(shared);
    return ref;
  }

  // Drops the reference held and takes over `owned` (which may be null) as it is.
  void Adopt(T* owned) { Replace(owned); }
  // Drops the reference held and adds one on `shared` (which may be null).
  void Share(T* shared) {
    if (shared != nullptr) shared->AddRef();
    Replace(shared);
  }
  // Drops the reference held.
  void Clear() { Replace(nullptr); }
  // Drops the reference held and returns what its Release said (0 for none):
  // for checks that this was the last reference.
  // (A template, so that a ComRef of a type only declared so far still compiles.)
  template <class U = T>
  auto ReleaseLast() -> decltype(std::declval<U&>().Release()) {
    T* old = std::exchange(p_, nullptr);
    return old != nullptr ? old->Release() : 0;
  }
  // Drops the reference held and gives the slot to a call that fills it.
  T** Receive() {
    Clear();
    return &p_;
  }
  void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }
  // Hands the reference held to the caller, who then releases it.
  T* Detach() { return std::exchange(p_, nullptr); }

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  void Replace(T* p) {
    T* old = std::exchange(p_, p);
    if (old != nullptr) old->Release();
  }

  T* p_ = nullptr;
};

}  // namespace orlin
