#pragma once
// Slows down password guessing: every wrong password from an address makes the logins that come
// from it afterwards wait longer before they are checked, up to a longest wait. An address that
// gives no wrong password for a while is forgiven.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>

namespace sim {

class LoginPenalty {
public:
    using Clock = std::chrono::steady_clock;

    struct Settings {
        std::chrono::milliseconds firstWait{100};      // after one wrong password; doubles with each one more
        std::chrono::milliseconds longestWait{2000};
        std::chrono::milliseconds forgetAfter{60000};  // without a wrong password from the address
    };

    // Replaces the settings (the defaults above until then); what was recorded stays.
    void Configure(const Settings& settings);
    // How long a login from `address` that arrives at `now` waits before it is checked.
    std::chrono::milliseconds WaitFor(std::uint32_t address, Clock::time_point now);
    // Records a wrong password from `address`; returns the wait of the logins that follow.
    std::chrono::milliseconds RecordFailure(std::uint32_t address, Clock::time_point now);
    // Addresses with wrong passwords on record.
    std::size_t AddressCount() const { return records_.size(); }

private:
    struct Record {
        unsigned failures = 0;
        Clock::time_point lastFailure;
    };
    std::chrono::milliseconds WaitAfter(unsigned failures) const;
    // Drops the records that are forgiven by `now`; when the table is still full, the oldest.
    void MakeRoom(Clock::time_point now);

    Settings settings_;
    std::map<std::uint32_t, Record> records_;
};

}  // namespace sim
