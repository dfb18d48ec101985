#pragma once
// When a folder's change and modification times can be trusted to show every later change.
//
// The kernel stamps those times from a clock that advances in ticks of a few milliseconds, and
// some file systems keep whole seconds (two for a FAT modification time). A change made within
// the same step as an earlier one leaves the times as they were, so a listing read then could
// be taken for current after a second change. Times old enough that any later change must get
// a later one are settled. A time with no fraction of a second may come from a file system that
// keeps whole seconds, so such a time is given the longer wait.

#include <cstdint>
#include <time.h>

namespace corvane::platform {

/// The wait after a change for times with a fraction of a second (a clock tick, with room).
constexpr std::int64_t kFineTimesSettleNs = 50'000'000;
/// The wait for whole-second times (two seconds of a FAT time, with room).
constexpr std::int64_t kWholeSecondTimesSettleNs = 2'500'000'000;

/// Nanoseconds since the epoch.
constexpr std::int64_t Nanoseconds(const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

/// True when a folder whose entries last changed at `changed` and `modified` cannot change
/// again, after `now`, without moving one of them.
constexpr bool TimesSettled(const timespec& changed, const timespec& modified,
                            const timespec& now) {
    const std::int64_t wait = changed.tv_nsec == 0 || modified.tv_nsec == 0
                                  ? kWholeSecondTimesSettleNs
                                  : kFineTimesSettleNs;
    const std::int64_t latest =
        Nanoseconds(changed) > Nanoseconds(modified) ? Nanoseconds(changed) : Nanoseconds(modified);
    return latest + wait < Nanoseconds(now);
}

} // namespace corvane::platform
