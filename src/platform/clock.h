#pragma once

#include "model/instant.h"

// The one source of "now", injected so tests can set the time.
class Clock {
public:
    virtual ~Clock() = default;
    virtual Instant now() const = 0;
};

class SystemClock final : public Clock {
public:
    Instant now() const override;
};
