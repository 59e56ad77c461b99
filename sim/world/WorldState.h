#pragma once
// The world's bookkeeping behind World.h: class records, live actors, buffs, players, RCON
// connections and the name table, and the lookups that let every game function check a
// pointer before it touches the object behind it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "world/GameLayout.h"
#include "world/World.h"

namespace sim::world {

constexpr int kRateCount = 14;
constexpr float kHealthAtSpawn = 1000.0f;

// Where each of the fourteen consumption fields (in `show` order) lives.
struct RateSlot {
    bool OnStatus;  // on the status component, else on the dino
    int Index;      // into StatusBody::Rates or ActorBody::DinoRates
};
extern const RateSlot kRateSlots[kRateCount];

struct ClassRecord {
    ClassBody Body;
    // The package the class lives in: its name is the reference up to the class's own name.
    ObjectHeader Package;
    std::u16string StringReference;  // as "UVictoryCore.ClassToStringReference" hands it out
    std::u16string BlueprintPath;    // what "UVictoryCore.BPLoadClass" matches exactly
    bool IsSpecies = false;          // only species classes can be spawned
    bool IsStructure = false;
    float Rates[kRateCount] = {};
    SpawnFault Fault = SpawnFault::None;
};

struct ActorRecord {
    ActorBody Body;
    StatusBody Status;  // in use while Body.StatusComponent points at it
    std::string Id;
    const ClassRecord* Class = nullptr;
    bool IsDino = false;
    float Health = kHealthAtSpawn;
    bool Dead = false;
    // Traces of the game functions that ran on this dino, so a caller can tell whether the
    // detours let the call through.
    int BeginPlayRuns = 0;
    int DamageRuns = 0;
    float LastDamageReceived = 0.0f;
    int TameRuns = 0;
    int MateRuns = 0;
    const void* LastPartner = nullptr;
    const void* Rider = nullptr;
    std::size_t Position = 0;  // in WorldState::Actors
    bool StatusKnown = false;  // Status is in WorldState::ActorsByStatus
};

struct BuffRecord {
    ActorBody Body;
    std::string Name;
    std::uint64_t Serial = 0;      // creation order
    const void* Target = nullptr;  // the actor body it is attached to; null while not added
};

struct PlayerRecord {
    ActorBody Body;
    std::string Name;
};

struct ConnectionRecord {
    ObjectHeader Body;
    std::function<void(std::int32_t, std::int32_t, const std::string&)> Reply;
};

struct WorldState {
    // Classes live as long as the process: a dino keeps its class when the catalog changes.
    std::vector<std::unique_ptr<ClassRecord>> Classes;
    std::unordered_map<const void*, ClassRecord*> ClassesByBody;
    ClassRecord* DinoClass = nullptr;
    ClassRecord* StructureClass = nullptr;
    ClassRecord* BuffClass = nullptr;
    ClassRecord* PlayerClass = nullptr;
    ClassRecord* StatusClass = nullptr;
    ClassRecord* WorldClass = nullptr;
    ClassRecord* ConnectionClass = nullptr;

    std::vector<SpeciesInfo> Species;
    std::vector<ClassRecord*> SpeciesClasses;  // parallel to Species
    // SpeciesClasses by blueprint path (the first of a path wins), as the game finds a loaded
    // class by hash; rebuilt by "UVictoryCore.BPLoadClass" whenever SpeciesClasses is no longer
    // the list it was built from (a class's path never changes).
    std::vector<ClassRecord*> PathIndexBuiltFrom;
    std::unordered_map<std::u16string, ClassRecord*> SpeciesByPath;
    // The species the world started with, to which Reset returns.
    std::vector<SpeciesInfo> CatalogSpecies;
    std::vector<ClassRecord*> CatalogClasses;
    std::string CatalogError;

    std::vector<std::string> Names;  // FName.ComparisonIndex -> text
    std::unordered_map<std::string, std::int32_t> NameIndex;

    ObjectHeader WorldObject;
    // The map the server runs, as "UWorld.GetMapName" gives it.
    std::string MapName = "TheIsland";

    std::vector<std::shared_ptr<ActorRecord>> Actors;  // spawn order
    // Where ActorByBody and DinoByStatus look first: after the actor each found last.
    std::size_t NextByBody = 0;
    std::size_t NextByStatus = 0;
    std::unordered_map<std::string, ActorRecord*> ActorsById;
    std::unordered_map<const void*, ActorRecord*> ActorsByBody;
    std::unordered_map<const void*, ActorRecord*> ActorsByStatus;
    std::unordered_map<std::string, int> IdCounters;

    std::unordered_map<const void*, std::shared_ptr<BuffRecord>> Buffs;
    std::uint64_t BuffSerial = 0;

    std::vector<std::unique_ptr<PlayerRecord>> Players;
    std::unordered_map<const void*, PlayerRecord*> PlayersByBody;
    std::int32_t NextPlayerTeam = 50001;
    std::function<void(const std::string&, const std::string&, const FLinearColor&)> ChatOutput;

    std::unordered_map<const void*, std::unique_ptr<ConnectionRecord>> Connections;

    std::uint64_t Spawned = 0;
    std::uint64_t Destroyed = 0;
    // The number of the last actor name handed out: as in the game, an actor's name is numbered,
    // so that one made at the address of a destroyed one has another name. Never reset.
    std::int32_t LastNameNumber = 0;
};

// The one world's state (built on first use: base classes and the name "None").
WorldState& State();

// ---- names and text ----
// The FName for `text`, added to the name table when new.
FName InternName(const std::string& text);
// The text of `name`; null for an index the table does not hold.
const std::string* NameText(const FName& name);
// UTF-16 of UTF-8 text; malformed sequences become U+FFFD.
std::u16string Utf8ToUtf16(const std::string& text);
// UTF-8 of UTF-16 text.
std::string Utf16ToUtf8(const std::u16string& text);

// ---- classes ----
// A new class object deriving from `super` (null for a root), string reference as given.
ClassRecord& NewClass(const std::string& shortName, const std::u16string& reference, const ClassRecord* super);
// The class behind a class pointer, or null when it is not one of the world's classes.
ClassRecord* ClassByBody(const void* body);
// True when `cls` is `ancestor` or derives from it.
bool ClassIsA(const ClassBody* cls, const ClassBody* ancestor);

// ---- objects ----
// The header of any live world object (class, actor, status, buff, player, connection, the
// world itself), or null for a pointer the world does not know.
const ObjectHeader* KnownObject(const void* pointer);
// Live dinos and structures by id or by pointer; null when unknown.
ActorRecord* ActorById(const std::string& id);
ActorRecord* ActorByBody(const void* body);
// A live dino by pointer; null for anything else.
ActorRecord* DinoByBody(const void* body);
// The dino whose live status component this is; null otherwise.
ActorRecord* DinoByStatus(const void* status);
PlayerRecord* PlayerByBody(const void* body);
BuffRecord* BuffByBody(const void* body);

// The first free id `stem`1, `stem`2, ... counting on from the stem's last one.
std::string NextId(const std::string& stem);
// Builds and registers an actor of a species class with team, levels and (unless the class has
// the nostatus fault or is a structure) a status component holding the species' rates; counts it
// as spawned. BeginPlay is not run here.
std::shared_ptr<ActorRecord> CreateActor(const ClassRecord& cls, const std::string& id, int team, int level, int baseLevel);
// Runs the game's BeginPlay through the hook chain; false when a detour destroyed the dino.
bool RunBeginPlay(const std::shared_ptr<ActorRecord>& dino);
// Removes a live actor with its buffs and counts it destroyed; false for an unknown pointer.
bool DestroyActor(const void* body);
// Takes the status component away from a dino (the pointer field becomes null).
void DropStatus(ActorRecord& dino);

// Registers every game function, field and bit field with the host.
void RegisterGameNames();

}  // namespace sim::world
