// The game calling its own functions on the console's behalf, always through the host's
// entries so that the plugin's detours run, and reporting whether the game's code was reached.

#include "standin/SimHost.h"
#include "world/WorldState.h"

namespace sim {

namespace {

using world::ActorRecord;

// Holds a live dino for the length of a call, so a detour that destroys it leaves no dangling record.
std::shared_ptr<ActorRecord> HoldDino(const std::string& id)
{
    for (const auto& actor : world::State().Actors) {
        if (actor->Id == id) {
            return actor->IsDino ? actor : nullptr;
        }
    }
    return nullptr;
}

APrimalDinoCharacter* AsDino(const std::shared_ptr<ActorRecord>& dino)
{
    return reinterpret_cast<APrimalDinoCharacter*>(&dino->Body);
}

}  // namespace

HitResult World::Hit(const std::string& id, float amount, const std::string* causerId)
{
    HitResult result;
    const std::shared_ptr<ActorRecord> victim = HoldDino(id);
    if (victim == nullptr) {
        result.Error = "no dino " + id;
        return result;
    }
    AActor* causer = nullptr;
    if (causerId != nullptr) {
        causer = FindActor(*causerId);
        if (causer == nullptr) {
            result.Error = "no actor " + *causerId;
            return result;
        }
    }
    FDamageEvent event;
    const int runsBefore = victim->DamageRuns;
    result.Dealt = CallGame<float>("APrimalDinoCharacter.TakeDamage", AsDino(victim), amount, &event,
                                   static_cast<AController*>(nullptr), causer);
    result.Reached = victim->DamageRuns > runsBefore;
    result.Received = result.Reached ? victim->LastDamageReceived : 0.0f;
    return result;
}

bool World::Tame(const std::string& id, AShooterPlayerController* player, int& teamAfter)
{
    const std::shared_ptr<ActorRecord> dino = HoldDino(id);
    if (dino == nullptr) {
        teamAfter = Team(id);
        return false;
    }
    const int runsBefore = dino->TameRuns;
    CallGame<void>("APrimalDinoCharacter.TameDino", AsDino(dino), player, false, 0, false, false, false);
    teamAfter = dino->Body.TargetingTeam;
    return dino->TameRuns > runsBefore;
}

bool World::Mate(const std::string& id, const std::string& partnerId)
{
    const std::shared_ptr<ActorRecord> dino = HoldDino(id);
    const std::shared_ptr<ActorRecord> partner = HoldDino(partnerId);
    if (dino == nullptr || partner == nullptr) {
        return false;
    }
    const int runsBefore = dino->MateRuns;
    CallGame<void>("APrimalDinoCharacter.DoMate", AsDino(dino), AsDino(partner));
    return dino->MateRuns > runsBefore && dino->LastPartner == &partner->Body;
}

bool World::Use(const std::string& id, int index, AShooterPlayerController* player)
{
    const std::shared_ptr<ActorRecord> dino = HoldDino(id);
    if (dino == nullptr) {
        return false;
    }
    return CallGame<bool>("APrimalDinoCharacter.TryMultiUse", AsDino(dino), static_cast<APlayerController*>(player), index);
}

bool World::Buff(const std::string& id, const std::string& buffName)
{
    const std::shared_ptr<ActorRecord> dino = HoldDino(id);
    if (dino == nullptr) {
        return false;
    }
    world::WorldState& state = world::State();
    auto buff = std::make_shared<world::BuffRecord>();
    buff->Body.Object.Class = reinterpret_cast<UClass*>(&state.BuffClass->Body);
    buff->Body.Object.Name = world::InternName(buffName);
    buff->Name = buffName;
    buff->Serial = ++state.BuffSerial;
    state.Buffs.emplace(&buff->Body, buff);
    APrimalBuff* added = CallGame<APrimalBuff*>("APrimalBuff.AddBuff", reinterpret_cast<APrimalBuff*>(&buff->Body),
                                                reinterpret_cast<ACharacter*>(&dino->Body), static_cast<AActor*>(nullptr));
    // A buff the game never attached has no owner and goes away again.
    if (buff->Target == nullptr) {
        state.Buffs.erase(&buff->Body);
    }
    return added != nullptr;
}

}  // namespace sim
