#pragma once

#include <QMetaObject>
#include <QObject>

#include <functional>
#include <mutex>

// Hands work from any thread to the launcher's thread. Once closed (the launcher or the
// application is going away) a late post is dropped rather than sent to an object being destroyed.
class MainQueue
{
public:
    explicit MainQueue(QObject *receiver) : receiver_(receiver) {}

    void post(std::function<void()> work)
    {
        const std::lock_guard lock(mutex_);
        if (receiver_)
            QMetaObject::invokeMethod(receiver_, std::move(work), Qt::QueuedConnection);
    }

    void close()
    {
        const std::lock_guard lock(mutex_);
        receiver_ = nullptr;
    }

private:
    std::mutex mutex_;
    QObject *receiver_;
};
