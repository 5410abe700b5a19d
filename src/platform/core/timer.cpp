#include "platform/core/timer.h"

namespace platform {

Timer::Timer(QObject* parent) : QObject(parent)
{
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &Timer::timeout);
}

void Timer::setInterval(int ms)
{
    interval_ = ms < 0 ? 0 : ms;
    timer_.stop();
    // A Qt timer with interval 0 would fire on every pass of the event loop.
    if (interval_ > 0)
        timer_.start(interval_);
}

} // namespace platform
