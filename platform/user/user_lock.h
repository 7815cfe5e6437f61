// The one lock over window classes and windows. It is never held while a
// window procedure runs, and it is taken before the clipboard's lock when
// both are needed.
#pragma once

#include <mutex>

namespace zelt::platform {

std::mutex &UserLock() noexcept;

}  // namespace zelt::platform
