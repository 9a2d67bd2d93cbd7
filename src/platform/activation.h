#pragma once

namespace platform {

enum class ActivationPolicy { Regular, Accessory };

// Regular: an ordinary application with visible windows. Accessory: no visible window (on
// Linux there is no Dock to leave), while the process keeps running.
void setActivationPolicy(ActivationPolicy policy);
ActivationPolicy activationPolicy();

} // namespace platform
