#pragma once
// The simulated game world: species (classes), dinos, structures, buffs and players, and the
// game functions and fields the plugin reaches by name through the host. Objects are plain C++
// objects of the simulation (not game-allocator memory), so `memory` counts only what passes
// through "FMemory.*". All calls run on the one game thread.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/HostApi.h"

namespace sim {

// One line of the species catalog or a species added with `class`.
struct SpeciesInfo {
    std::string Short;            // "Raptor"
    std::string StringReference;  // what "UVictoryCore.ClassToStringReference" returns, e.g. "/Game/....Raptor_Character_BP_C"
    std::string BlueprintPath;    // "Blueprint'" + reference less its last two characters + "'"
    bool IsStructure = false;     // a structure (turret): an actor that is not a dino
    float Rates[14] = {};         // the fourteen consumption fields, in `show` order
};

// Names of the fourteen consumption fields, in `show` order (the short field names).
extern const char* const kRateFieldNames[14];

enum class SpawnFault { None, NoSpawn, NoStatus };

// What the console learns from one call of a game function.
struct HitResult {
    float Received = 0.0f;  // the amount the game's TakeDamage received
    float Dealt = 0.0f;     // what TakeDamage returned (through the detours)
    bool Reached = false;   // the game's own TakeDamage ran (Received is meaningful)
    std::string Error;      // why nothing was called (unknown victim or causer); empty otherwise
};

class World {
public:
    // The one world; registers every game name with the host on first use and reports itself
    // as the host's world.
    static World& Get();

    // ---- species ----
    // Loads the catalog file (JSON); false with `error` on failure.
    bool LoadCatalog(const std::string& path, std::string& error);
    // The catalog in order, then the species added with AddSpecies.
    const std::vector<SpeciesInfo>& Species() const;
    // Finds a species by short name, letter case ignored; null when unknown.
    const SpeciesInfo* FindSpecies(const std::string& shortName) const;
    // Adds species `name` with string reference `reference` (taken as it stands) and the rates and
    // kind (dino or structure) of `like`; a name already known is replaced. Returns the new entry
    // (valid until the next change of the catalog).
    const SpeciesInfo& AddSpecies(const std::string& name, const std::string& reference, const SpeciesInfo& like);
    // Sets the spawn fault of a species' class (unknown names are ignored).
    void SetFault(const std::string& shortName, SpawnFault fault);
    // Why the catalog named at build time did not load on first use; empty when it did.
    const std::string& CatalogError() const;

    // ---- objects by id ----
    // Spawns an actor of `species` as loaded from a save (team, levels and status component set
    // before BeginPlay, which runs through the hook chain). Id: `id` or short name + counter.
    // Returns the id, or nullopt with `error` filled.
    std::optional<std::string> Spawn(const std::string& species, std::optional<std::string> id, int team, int level, int baseLevel,
                                     std::string& error);
    // The actor with that id, or null.
    AActor* FindActor(const std::string& id) const;
    // True when `id` names a live dino (not a structure).
    bool IsDino(const std::string& id) const;
    // The fourteen consumption fields of a dino, in `show` order; the status-component fields are
    // nullopt when it has no status component (they then print as absent). Empty for a non-dino.
    std::vector<std::optional<float>> Rates(const std::string& id) const;
    // False when the first bytes of the dino or of its status component, where the game keeps an
    // object's virtual table, were overwritten: what a plugin that writes through a field the host
    // does not know does (the host answers such a field with the object's own address).
    bool VirtualTablesIntact(const std::string& id) const;
    // The actor's targeting team; 0 for an unknown id.
    int Team(const std::string& id) const;
    // Sets the actor's targeting team (unknown ids are ignored, as in the four calls below).
    void SetTeam(const std::string& id, int team);
    // The dino is dead: health 0.
    void Kill(const std::string& id);
    // Sets the dino's bIsDestroyingDino bit.
    void SetDestroying(const std::string& id);
    // Takes the dino's status component away.
    void RemoveStatus(const std::string& id);
    // Number of live actors (dinos and structures) in the world.
    std::size_t ActorCount() const;
    // A dino's health (1000 at spawn, 0 when dead); 0 for an unknown id.
    float Health(const std::string& id) const;
    // The player riding the dino, or null.
    AShooterPlayerController* RiderOf(const std::string& id) const;
    // Names of the buffs attached to the dino, oldest first.
    std::vector<std::string> BuffNames(const std::string& id) const;

    // ---- players ----
    // Connects a player; without a team it gets a team of its own above 50000.
    AShooterPlayerController* AddPlayer(const std::string& name, std::optional<int> team);
    // The controller of the player with that name (exact), or null.
    AShooterPlayerController* FindPlayer(const std::string& name) const;
    // The player's name; empty for an unknown controller.
    std::string PlayerName(const AShooterPlayerController* player) const;
    // Where chat lines shown to players go: (player name, text, colour).
    void SetChatOutput(std::function<void(const std::string&, const std::string&, const FLinearColor&)> output);

    // ---- game calls, made the way the game makes them: through the patched entries ----
    // TakeDamage on dino `id` with the causer's actor (or null); the game function is not called,
    // and Error says why, when the victim is not a dino or the causer is unknown.
    HitResult Hit(const std::string& id, float amount, const std::string* causerId);
    // True when the game's TameDino ran (an unknown player pointer is ignored by the game);
    // `teamAfter` is the dino's team after the call.
    bool Tame(const std::string& id, AShooterPlayerController* player, int& teamAfter);
    // True when the game's DoMate ran.
    bool Mate(const std::string& id, const std::string& partnerId);
    // What TryMultiUse returned (through the detours); false for an id that is not a dino.
    bool Use(const std::string& id, int index, AShooterPlayerController* player);
    // True when AddBuff returned the buff (added), false when it returned null.
    bool Buff(const std::string& id, const std::string& buffName);

    // ---- RCON connections ----
    // A connection object whose "RCONClientConnection.SendMessageW" calls `reply`.
    RCONClientConnection* NewRconConnection(std::function<void(std::int32_t id, std::int32_t type, const std::string& text)> reply);
    // Forgets the connection; later replies to it go nowhere.
    void CloseRconConnection(RCONClientConnection* connection);

    // ---- the map ----
    // What "UWorld.GetMapName" answers: the map the server was started with ("TheIsland" unless set).
    const std::string& MapName() const;
    // Sets the map's name; the plugin reads it at its next load or reload.
    void SetMapName(const std::string& name);
    // The host reports this world (true), or no world at all (false), as a server that starts
    // loads its plugins before the game has made its world.
    void SetReported(bool reported);

    // ---- starting afresh ----
    // Removes every actor, buff, player and RCON connection, returns the species to the catalog as
    // the world started with (no added species, no faults) and the counts to 0, as in a server that just started.
    void Reset();

    // ---- counts ----
    // Dinos and structures spawned since start or Reset (the plugin's temporary dinos included).
    std::uint64_t Spawned() const;
    // Actors removed since start or Reset (through "AActor.ForceDestroy").
    std::uint64_t Destroyed() const;
};

}  // namespace sim
