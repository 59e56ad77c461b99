#pragma once
// Registers commands with the host under their category and remembers them, in storage taken
// from the game allocator, so that detach can withdraw every one.

#include <cstdint>

class BaseCommand;

class CommandManager {
public:
    // Registers `command` with the host under its category and lists it; warns for no category.
    void registerCommand(BaseCommand* command);
    // Withdraws `command` from the host; it stays listed. Warns for no category.
    void unregisterCommand(BaseCommand* command);

    // Listed commands, in registration order.
    BaseCommand** Elements() const { return elements_; }
    std::int32_t Count() const { return count_; }
    std::int32_t Capacity() const { return capacity_; }

private:
    // Capacity after the list grows to `newCount` places from `capacity` (4, 22, 47, 82, ...), as the game's arrays grow.
    static std::int32_t GrownCapacity(std::int32_t capacity, std::int32_t newCount);
    // Lists `command`; false when the game allocator could not grow the list.
    bool Append(BaseCommand* command);

    // The layout of the game's own arrays: elements, count, capacity.
    BaseCommand** elements_ = nullptr;
    std::int32_t count_ = 0;
    std::int32_t capacity_ = 0;
};
