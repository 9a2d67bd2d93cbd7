#include "platform/activation.h"

#import <AppKit/AppKit.h>

namespace platform {

namespace {
ActivationPolicy current = ActivationPolicy::Regular;

void bringToFront()
{
    if (@available(macOS 14.0, *))
        [NSApp activate];
    else
        [NSApp activateIgnoringOtherApps:YES];
}
} // namespace

// NSApp is nil without Qt's Cocoa platform (offscreen tests); messages to it then do nothing and
// only the recorded policy changes.
void setActivationPolicy(ActivationPolicy policy)
{
    current = policy;
    if (policy == ActivationPolicy::Accessory) {
        [NSApp setActivationPolicy:NSApplicationActivationPolicyAccessory];
        return;
    }
    [NSApp setActivationPolicy:NSApplicationActivationPolicyRegular];
    bringToFront();
}

ActivationPolicy activationPolicy()
{
    return current;
}

} // namespace platform
