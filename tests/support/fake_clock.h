#pragma once

#include "platform/clock.h"

// A clock the test moves by hand.
class FakeClock final : public Clock {
public:
    explicit FakeClock(double referenceSeconds = 786303000.0) : current(Instant::fromReferenceSeconds(referenceSeconds)) {}
    Instant now() const override { return current; }
    void set(double referenceSeconds) { current = Instant::fromReferenceSeconds(referenceSeconds); }
    void advance(double seconds) { set(current.secondsSinceReference() + seconds); }

private:
    Instant current;
};
