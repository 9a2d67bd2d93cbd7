#pragma once

namespace platform {

enum class ActivationPolicy { Regular, Accessory };

// Regular: an ordinary application with visible windows (on macOS with a Dock icon and a menu
// bar, brought to the front). Accessory: on macOS no Dock icon or menu bar; on Linux, with no
// Dock to leave, no visible window. Either way the process keeps running.
void setActivationPolicy(ActivationPolicy policy);
ActivationPolicy activationPolicy();

} // namespace platform
