#pragma once

#include <QDateTime>

namespace mivra {

// "Now", so that tests can fix it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime nowUtc() const = 0;
};

class SystemClock : public Clock {
public:
    QDateTime nowUtc() const override { return QDateTime::currentDateTimeUtc(); }
};

} // namespace mivra
