#pragma once
// Keeps a crowd of clients from flooding the console: a kind of notice goes out at most once a
// second; what comes meanwhile is held, and the next one out counts it.

#include <array>
#include <chrono>
#include <optional>
#include <vector>

#include "rcon/RconNotice.h"

namespace sim {

class NoticeThrottle {
public:
    using Clock = std::chrono::steady_clock;

    // The shortest time between two lines of one kind.
    static constexpr std::chrono::seconds kInterval{1};

    // Returns `notice` when no line of its kind went out within the interval before `now`;
    // otherwise holds it for TakeDue and returns nothing.
    std::optional<RconNotice> Offer(RconNotice notice, Clock::time_point now);
    // The held notices whose kind's interval has ended by `now`: for each kind the latest, its
    // count the number held and its line saying so.
    std::vector<RconNotice> TakeDue(Clock::time_point now);
    // When the first held notice falls due; nothing when none is held.
    std::optional<Clock::time_point> NextDue() const;

private:
    struct Kind {
        std::optional<Clock::time_point> lastSent;
        std::optional<RconNotice> held;  // the latest held, its count the number held
    };
    // Sends the held notice of `kind` at `now`, with its count in its line.
    RconNotice Release(Kind& kind, Clock::time_point now);

    std::array<Kind, kRconEventKinds> kinds_{};
};

}  // namespace sim
