#pragma once

// A point in time: seconds, fraction kept, since 2001-01-01 00:00:00 UTC. The same number is
// the file form, so a value read and written back keeps every bit.
class Instant {
public:
    static constexpr double unixOffset = 978307200.0;

    constexpr Instant() = default;
    static constexpr Instant fromReferenceSeconds(double s) { return Instant(s); }
    static constexpr Instant fromUnixSeconds(double s) { return Instant(s - unixOffset); }

    constexpr double secondsSinceReference() const { return seconds; }
    constexpr double secondsSince1970() const { return seconds + unixOffset; }
    constexpr double timeIntervalSince(Instant earlier) const { return seconds - earlier.seconds; }

    constexpr bool operator==(const Instant&) const = default;

private:
    constexpr explicit Instant(double s) : seconds(s) {}
    double seconds = 0.0;
};
