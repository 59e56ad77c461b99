#include "rcon/NoticeThrottle.h"

#include <algorithm>
#include <string>
#include <utility>

namespace sim {

std::optional<RconNotice> NoticeThrottle::Offer(RconNotice notice, Clock::time_point now)
{
    Kind& kind = kinds_.at(static_cast<std::size_t>(notice.event));
    const std::size_t held = kind.held ? kind.held->count : 0;
    notice.count = held + 1;
    kind.held = std::move(notice);
    if (kind.lastSent && now - *kind.lastSent < kInterval)
        return std::nullopt;
    return Release(kind, now);
}

std::vector<RconNotice> NoticeThrottle::TakeDue(Clock::time_point now)
{
    std::vector<RconNotice> due;
    for (Kind& kind : kinds_) {
        if (kind.held && (!kind.lastSent || now - *kind.lastSent >= kInterval))
            due.push_back(Release(kind, now));
    }
    return due;
}

std::optional<NoticeThrottle::Clock::time_point> NoticeThrottle::NextDue() const
{
    std::optional<Clock::time_point> first;
    for (const Kind& kind : kinds_) {
        // A notice is held only after a line of its kind went out.
        if (!kind.held || !kind.lastSent)
            continue;
        const Clock::time_point due = *kind.lastSent + kInterval;
        first = first ? std::min(*first, due) : due;
    }
    return first;
}

RconNotice NoticeThrottle::Release(Kind& kind, Clock::time_point now)
{
    RconNotice notice = std::move(*kind.held);
    kind.held.reset();
    kind.lastSent = now;
    if (notice.count > 1)
        notice.line += " (and " + std::to_string(notice.count - 1) + " more like it in the last second)";
    return notice;
}

}  // namespace sim
