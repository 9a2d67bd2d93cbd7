#include "platform/activation.h"

#include <QGuiApplication>
#include <QWindow>

namespace platform {

namespace {
ActivationPolicy current = ActivationPolicy::Regular;
}

void setActivationPolicy(ActivationPolicy policy)
{
    current = policy;
    if (policy == ActivationPolicy::Accessory) {
        for (QWindow *window : QGuiApplication::topLevelWindows())
            window->hide();
    }
}

ActivationPolicy activationPolicy()
{
    return current;
}

} // namespace platform
