#pragma once
// What the RCON listener tells the server's operator about its clients: one kind of event per
// line that a hostile crowd could repeat, so that repeats can be told apart and summarised.

#include <cstddef>
#include <string>

namespace sim {

enum class RconEvent {
    LoggedIn,            // the right password
    WrongPassword,       // refused; the connection closes once the refusal is out
    TurnedAway,          // closed on arrival: every connection was a logged-in client (connection 0)
    MadeRoom,            // closed without a login, to make room for a client that arrived
    LoginTimedOut,       // closed: no login in time
    IdleTimedOut,        // closed: logged in, silent for too long
    Malformed,           // closed: bytes that are no packet
    CommandBeforeLogin,  // closed: a request other than a login before logging in
    TooManyRequests,     // closed: more requests waiting than the queue holds
    StalledInput,        // closed: silent in the middle of a packet
    UnreadAnswers,       // closed: does not read its answers
};

// Number of kinds above.
inline constexpr std::size_t kRconEventKinds = 11;

struct RconNotice {
    RconEvent event = RconEvent::LoggedIn;
    int connection = 0;     // the client (the latest, when the notice stands for several); 0: none
    std::string line;       // what the console prints
    std::size_t count = 1;  // events this notice stands for
};

}  // namespace sim
