// Actors by id: spawning as from a save, and the console's direct changes to them.

#include <algorithm>

#include "host/Ascii.h"
#include "standin/SimHost.h"
#include "world/WorldState.h"

namespace sim {

namespace {

using world::ActorRecord;

ActorRecord* Dino(const std::string& id)
{
    ActorRecord* actor = world::ActorById(id);
    return actor != nullptr && actor->IsDino ? actor : nullptr;
}

}  // namespace

std::optional<std::string> World::Spawn(const std::string& species, std::optional<std::string> id, int team, int level,
                                        int baseLevel, std::string& error)
{
    const SpeciesInfo* info = FindSpecies(species);
    if (info == nullptr) {
        error = "unknown species " + species;
        return std::nullopt;
    }
    const world::ClassRecord& cls = *world::State().SpeciesClasses[static_cast<std::size_t>(info - Species().data())];
    if (id && id->empty()) {
        error = "an id cannot be empty";
        return std::nullopt;
    }
    if (id && world::ActorById(*id) != nullptr) {
        error = "id " + *id + " is already taken";
        return std::nullopt;
    }
    if (cls.Fault == SpawnFault::NoSpawn) {
        error = "the game's spawn of " + info->Short + " failed";
        return std::nullopt;
    }
    const std::string actorId = id ? *id : world::NextId(ascii::Lower(info->Short));
    const std::shared_ptr<ActorRecord> actor = world::CreateActor(cls, actorId, team, level, baseLevel);
    // A dino from a save has its team, levels and status before its BeginPlay runs.
    if (actor->IsDino && !world::RunBeginPlay(actor)) {
        error = actorId + " was destroyed during its BeginPlay";
        return std::nullopt;
    }
    return actorId;
}

AActor* World::FindActor(const std::string& id) const
{
    ActorRecord* actor = world::ActorById(id);
    return actor != nullptr ? reinterpret_cast<AActor*>(&actor->Body) : nullptr;
}

bool World::IsDino(const std::string& id) const
{
    return Dino(id) != nullptr;
}

std::vector<std::optional<float>> World::Rates(const std::string& id) const
{
    std::vector<std::optional<float>> rates;
    const ActorRecord* dino = Dino(id);
    if (dino == nullptr) {
        return rates;
    }
    const bool hasStatus = dino->Body.StatusComponent != nullptr;
    for (const world::RateSlot slot : world::kRateSlots) {
        if (!slot.OnStatus) {
            rates.emplace_back(dino->Body.DinoRates[slot.Index]);
        } else if (hasStatus) {
            rates.emplace_back(dino->Status.Rates[slot.Index]);
        } else {
            rates.emplace_back(std::nullopt);
        }
    }
    return rates;
}

bool World::VirtualTablesIntact(const std::string& id) const
{
    const world::ActorRecord* actor = world::ActorById(id);
    return actor == nullptr ||
           (actor->Body.Object.VirtualTable == &world::kVirtualTable && actor->Status.Object.VirtualTable == &world::kVirtualTable);
}

int World::Team(const std::string& id) const
{
    const ActorRecord* actor = world::ActorById(id);
    return actor != nullptr ? actor->Body.TargetingTeam : 0;
}

void World::SetTeam(const std::string& id, int team)
{
    if (ActorRecord* actor = world::ActorById(id)) {
        actor->Body.TargetingTeam = team;
    }
}

void World::Kill(const std::string& id)
{
    if (ActorRecord* dino = Dino(id)) {
        dino->Health = 0.0f;
        dino->Dead = true;
    }
}

void World::SetDestroying(const std::string& id)
{
    if (ActorRecord* dino = Dino(id)) {
        dino->Body.DinoFlags |= 1u << world::kDestroyingBit;
    }
}

void World::RemoveStatus(const std::string& id)
{
    if (ActorRecord* dino = Dino(id)) {
        world::DropStatus(*dino);
    }
}

std::size_t World::ActorCount() const
{
    return world::State().Actors.size();
}

float World::Health(const std::string& id) const
{
    const ActorRecord* dino = Dino(id);
    return dino != nullptr ? dino->Health : 0.0f;
}

AShooterPlayerController* World::RiderOf(const std::string& id) const
{
    const ActorRecord* dino = Dino(id);
    return dino != nullptr ? static_cast<AShooterPlayerController*>(const_cast<void*>(dino->Rider)) : nullptr;
}

std::vector<std::string> World::BuffNames(const std::string& id) const
{
    std::vector<const world::BuffRecord*> attached;
    const ActorRecord* dino = Dino(id);
    for (const auto& entry : world::State().Buffs) {
        if (dino != nullptr && entry.second->Target == &dino->Body) {
            attached.push_back(entry.second.get());
        }
    }
    std::sort(attached.begin(), attached.end(), [](const auto* a, const auto* b) { return a->Serial < b->Serial; });
    std::vector<std::string> names;
    for (const world::BuffRecord* buff : attached) {
        names.push_back(buff->Name);
    }
    return names;
}

}  // namespace sim
