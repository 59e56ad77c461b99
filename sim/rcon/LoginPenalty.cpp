#include "rcon/LoginPenalty.h"

#include <algorithm>

namespace sim {
namespace {

// Addresses kept on record at most: a client may pick any loopback address as its source, and
// each new one must not cost memory without end.
constexpr std::size_t kMaxRecords = 4096;

}  // namespace

void LoginPenalty::Configure(const Settings& settings) { settings_ = settings; }

std::chrono::milliseconds LoginPenalty::WaitFor(std::uint32_t address, Clock::time_point now)
{
    const auto found = records_.find(address);
    if (found == records_.end())
        return std::chrono::milliseconds(0);
    if (now - found->second.lastFailure >= settings_.forgetAfter) {
        records_.erase(found);
        return std::chrono::milliseconds(0);
    }
    return WaitAfter(found->second.failures);
}

std::chrono::milliseconds LoginPenalty::RecordFailure(std::uint32_t address, Clock::time_point now)
{
    if (records_.find(address) == records_.end() && records_.size() >= kMaxRecords)
        MakeRoom(now);
    Record& record = records_[address];
    if (record.failures > 0 && now - record.lastFailure >= settings_.forgetAfter)
        record.failures = 0;
    record.failures = std::min(record.failures + 1, 64u);  // doubling stops long before 64
    record.lastFailure = now;
    return WaitAfter(record.failures);
}

std::chrono::milliseconds LoginPenalty::WaitAfter(unsigned failures) const
{
    if (failures == 0 || settings_.firstWait.count() <= 0)
        return std::chrono::milliseconds(0);
    std::chrono::milliseconds wait = settings_.firstWait;
    for (unsigned step = 1; step < failures && wait < settings_.longestWait; ++step)
        wait *= 2;
    return std::min(wait, settings_.longestWait);
}

void LoginPenalty::MakeRoom(Clock::time_point now)
{
    for (auto it = records_.begin(); it != records_.end();) {
        if (now - it->second.lastFailure >= settings_.forgetAfter)
            it = records_.erase(it);
        else
            ++it;
    }
    if (records_.size() < kMaxRecords)
        return;
    const auto oldest = std::min_element(records_.begin(), records_.end(), [](const auto& left, const auto& right) {
        return left.second.lastFailure < right.second.lastFailure;
    });
    records_.erase(oldest);
}

}  // namespace sim
