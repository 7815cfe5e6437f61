// Hooks between thread-local storage and module attach: the first TLS call
// on a thread arms a sentinel whose destruction at thread exit sends
// DLL_THREAD_DETACH to the attached modules.
#pragma once

namespace zelt::platform {

void ArmThreadDetachSentinel() noexcept;

}  // namespace zelt::platform
