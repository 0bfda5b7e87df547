// One small owner per kind of platform handle, told apart by a traits struct
// that says what "no handle" is and how one is released. Win32 reports a
// missing handle as NULL or as the traits' invalid value depending on the
// call, so both count as "nothing to release".
#pragma once

#include <utility>

namespace quorvex {

template <class Traits>
class Scoped {
 public:
  using Handle = typename Traits::Handle;

  explicit Scoped(Handle h = Traits::Invalid()) noexcept : h_(h) {}
  Scoped(Scoped&& other) noexcept : h_(std::exchange(other.h_, Traits::Invalid())) {}
  Scoped(const Scoped&) = delete;  // with the move above, this also rules out assignment
  ~Scoped() {
    if (IsValid()) Traits::Free(h_);
  }

  bool IsValid() const noexcept { return h_ != nullptr && h_ != Traits::Invalid(); }
  Handle Get() const noexcept { return h_; }
  // For out-parameters such as RegOpenKeyExA's; only on an empty guard.
  Handle* Receive() noexcept { return &h_; }

 private:
  Handle h_;
};

}  // namespace quorvex
