// The game's own functions, as the plugin reaches them by name. Each one checks the pointers it
// is handed against the world's live objects first: an unknown or null object gets a harmless
// default answer instead of a wild read, so a plugin fault shows up as a wrong result.

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "host/FString.h"
#include "host/GameMemory.h"
#include "standin/SimHost.h"
#include "world/WorldState.h"

namespace sim::world {

namespace {

// A player's team when TameDino runs without a player.
constexpr std::int32_t kTeamWithoutPlayer = 10001;
// The multi-use index that mounts a dino.
constexpr int kRideUseIndex = 100;

template <typename T>
T* AsGame(void* body)
{
    return reinterpret_cast<T*>(body);
}

// Replaces *result with `units` (the old text, if any, goes back to the allocator).
void Assign(FString* result, const std::u16string& units)
{
    *result = FString(units.data(), static_cast<int>(units.size()));
}

FString* ClassToStringReference(FString* result, UClass* cls)
{
    if (result == nullptr) {
        return nullptr;
    }
    const ClassRecord* record = ClassByBody(cls);
    Assign(result, record != nullptr ? record->StringReference : std::u16string());
    return result;
}

FString* NameToString(FName* name, FString* result)
{
    if (result == nullptr) {
        return nullptr;
    }
    const std::string* text = name != nullptr ? NameText(*name) : nullptr;
    Assign(result, text != nullptr ? Utf8ToUtf16(*text) : std::u16string());
    return result;
}

float TakeDamage(APrimalDinoCharacter* dino, float amount, FDamageEvent* /*event*/, AController* /*instigator*/,
                 AActor* /*causer*/)
{
    ActorRecord* victim = DinoByBody(dino);
    if (victim == nullptr) {
        return 0.0f;
    }
    ++victim->DamageRuns;
    victim->LastDamageReceived = amount;
    // Nothing to deal for a non-positive (or NaN) amount; never more than the health left.
    const float dealt = amount > 0.0f ? std::fmin(amount, victim->Health) : 0.0f;
    victim->Health -= dealt;
    if (victim->Health <= 0.0f) {
        victim->Health = 0.0f;
        victim->Dead = true;
    }
    return dealt;
}

APrimalBuff* AddBuff(APrimalBuff* buff, ACharacter* target, AActor* /*other*/)
{
    BuffRecord* record = BuffByBody(buff);
    // Only characters carry buffs: a structure, an unknown or a null target gets none.
    if (record == nullptr || DinoByBody(target) == nullptr) {
        return nullptr;
    }
    record->Target = target;
    return buff;
}

void TameDino(APrimalDinoCharacter* dino, AShooterPlayerController* player, bool, int, bool, bool, bool)
{
    ActorRecord* tamed = DinoByBody(dino);
    const PlayerRecord* owner = PlayerByBody(player);
    if (tamed == nullptr || (player != nullptr && owner == nullptr)) {
        return;
    }
    ++tamed->TameRuns;
    tamed->Body.TargetingTeam = owner != nullptr ? owner->Body.TargetingTeam : kTeamWithoutPlayer;
}

void DoMate(APrimalDinoCharacter* dino, APrimalDinoCharacter* partner)
{
    ActorRecord* mother = DinoByBody(dino);
    if (mother == nullptr || DinoByBody(partner) == nullptr) {
        return;
    }
    ++mother->MateRuns;
    mother->LastPartner = partner;
}

bool TryMultiUse(APrimalDinoCharacter* dino, APlayerController* player, int index)
{
    ActorRecord* used = DinoByBody(dino);
    const PlayerRecord* user = PlayerByBody(player);
    if (used == nullptr || user == nullptr || used->Dead || used->Body.TargetingTeam != user->Body.TargetingTeam) {
        return false;
    }
    if (index == kRideUseIndex) {
        used->Rider = player;
    }
    return true;
}

void BeginPlay(APrimalDinoCharacter* dino)
{
    if (ActorRecord* started = DinoByBody(dino)) {
        ++started->BeginPlayRuns;
    }
}

UClass* GetPrivateStaticClass()
{
    return reinterpret_cast<UClass*>(&State().DinoClass->Body);
}

bool IsA(UObjectBaseUtility* object, UClass* cls)
{
    const ObjectHeader* header = KnownObject(object);
    const ClassRecord* ancestor = ClassByBody(cls);
    // The class field is re-checked too: whoever holds the object can write to it.
    const ClassRecord* own = header != nullptr ? ClassByBody(header->Class) : nullptr;
    return own != nullptr && ancestor != nullptr && ClassIsA(&own->Body, &ancestor->Body);
}

bool IsDead(APrimalCharacter* character)
{
    // What the world cannot vouch for counts as dead, so that nobody goes on working on it.
    const ActorRecord* dino = DinoByBody(character);
    return dino == nullptr || dino->Dead;
}

int GetCharacterLevel(UPrimalCharacterStatusComponent* status)
{
    const ActorRecord* dino = DinoByStatus(status);
    return dino != nullptr ? dino->Status.CharacterLevel : 0;
}

UClass* BPLoadClass(FString* path)
{
    if (path == nullptr) {
        return nullptr;
    }
    const std::u16string wanted(**path, static_cast<std::size_t>(path->Len()));
    // The species as the world now knows them come first; then any older class of that path,
    // newest first, as a dino may outlive the catalog entry it was spawned from.
    WorldState& state = State();
    if (state.PathIndexBuiltFrom != state.SpeciesClasses) {
        state.SpeciesByPath.clear();
        for (ClassRecord* cls : state.SpeciesClasses) {
            state.SpeciesByPath.emplace(cls->BlueprintPath, cls);
        }
        state.PathIndexBuiltFrom = state.SpeciesClasses;
    }
    const auto known = state.SpeciesByPath.find(wanted);
    if (known != state.SpeciesByPath.end()) {
        return reinterpret_cast<UClass*>(&known->second->Body);
    }
    const auto& classes = state.Classes;
    for (auto cls = classes.rbegin(); cls != classes.rend(); ++cls) {
        if ((*cls)->IsSpecies && (*cls)->BlueprintPath == wanted) {
            return reinterpret_cast<UClass*>(&(*cls)->Body);
        }
    }
    return nullptr;
}

APrimalDinoCharacter* SpawnDino(UWorld* /*world*/, UClass* cls, FVector* /*location*/, FRotator* /*rotation*/, float, int, bool,
                                bool, int baseLevel, bool, float, int level, bool)
{
    const ClassRecord* record = ClassByBody(cls);
    if (record == nullptr || !record->IsSpecies || record->IsStructure || record->Fault == SpawnFault::NoSpawn) {
        return nullptr;
    }
    const std::shared_ptr<ActorRecord> dino = CreateActor(*record, NextId("tmp"), 0, level, baseLevel);
    // The game runs BeginPlay before SpawnDino returns; a detour may destroy the dino meanwhile.
    if (!RunBeginPlay(dino)) {
        return nullptr;
    }
    return AsGame<APrimalDinoCharacter>(&dino->Body);
}

bool ForceDestroy(AActor* actor)
{
    return DestroyActor(actor);
}

void GetAllActorsOfClass(UObject* /*worldContext*/, UClass* cls, TArray<AActor*>* out)
{
    if (out == nullptr) {
        return;
    }
    out->ArrayNum = 0;
    const ClassRecord* wanted = ClassByBody(cls);
    if (wanted == nullptr) {
        return;
    }
    std::vector<AActor*> found;
    for (const auto& actor : State().Actors) {
        if (ClassIsA(&actor->Class->Body, &wanted->Body)) {
            found.push_back(AsGame<AActor>(&actor->Body));
        }
    }
    if (found.empty()) {
        return;
    }
    if (out->Data == nullptr || out->ArrayMax < static_cast<std::int32_t>(found.size())) {
        void* grown = game::Realloc(out->Data, sizeof(AActor*) * found.size());
        if (grown == nullptr) {
            return;
        }
        out->Data = static_cast<AActor**>(grown);
        out->ArrayMax = static_cast<std::int32_t>(found.size());
    }
    std::copy(found.begin(), found.end(), out->Data);
    out->ArrayNum = static_cast<std::int32_t>(found.size());
}

void ClientServerChatDirectMessage(AShooterPlayerController* player, FString* text, FLinearColor color, bool /*bold*/)
{
    const PlayerRecord* receiver = PlayerByBody(player);
    WorldState& state = State();
    if (receiver == nullptr || !state.ChatOutput) {
        return;
    }
    state.ChatOutput(receiver->Name, text != nullptr ? text->ToString() : std::string(), color);
}

void SendMessageW(RCONClientConnection* connection, int id, int type, FString* text)
{
    WorldState& state = State();
    const auto found = state.Connections.find(connection);
    if (found == state.Connections.end() || !found->second->Reply) {
        return;
    }
    // Copied first: the reply may close the connection.
    const auto reply = found->second->Reply;
    reply(id, type, text != nullptr ? text->ToString() : std::string());
}

FString* GetMapName(UWorld* world, FString* result)
{
    if (result == nullptr) {
        return nullptr;
    }
    WorldState& state = State();
    // Only the world has a map: any other object gets an empty name.
    const bool isWorld = reinterpret_cast<const void*>(world) == &state.WorldObject;
    Assign(result, isWorld ? Utf8ToUtf16(state.MapName) : std::u16string());
    return result;
}

void RegisterFunctions()
{
    RegisterFunction<&ClassToStringReference>("UVictoryCore.ClassToStringReference");
    RegisterFunction<&NameToString>("FName.ToString");
    RegisterFunction<&TakeDamage>("APrimalDinoCharacter.TakeDamage");
    RegisterFunction<&AddBuff>("APrimalBuff.AddBuff");
    RegisterFunction<&TameDino>("APrimalDinoCharacter.TameDino");
    RegisterFunction<&DoMate>("APrimalDinoCharacter.DoMate");
    RegisterFunction<&TryMultiUse>("APrimalDinoCharacter.TryMultiUse");
    RegisterFunction<&BeginPlay>("APrimalDinoCharacter.BeginPlay");
    RegisterFunction<&GetPrivateStaticClass>("APrimalDinoCharacter.GetPrivateStaticClass");
    RegisterFunction<&IsA>("UObjectBaseUtility.IsA");
    RegisterFunction<&IsDead>("APrimalCharacter.IsDead");
    RegisterFunction<&GetCharacterLevel>("UPrimalCharacterStatusComponent.GetCharacterLevel");
    RegisterFunction<&BPLoadClass>("UVictoryCore.BPLoadClass");
    RegisterFunction<&SpawnDino>("APrimalDinoCharacter.SpawnDino");
    RegisterFunction<&ForceDestroy>("AActor.ForceDestroy");
    RegisterFunction<&GetAllActorsOfClass>("UGameplayStatics.GetAllActorsOfClass");
    RegisterFunction<&ClientServerChatDirectMessage>("AShooterPlayerController.ClientServerChatDirectMessage");
    RegisterFunction<&SendMessageW>("RCONClientConnection.SendMessageW");
    RegisterFunction<&GetMapName>("UWorld.GetMapName");
}

void RegisterFields()
{
    // Headers sit at the start of every object, so one offset serves every kind.
    RegisterField("UObjectBase.Class", offsetof(ObjectHeader, Class));
    RegisterField("UObjectBase.Name", offsetof(ObjectHeader, Name));
    RegisterField("UObjectBase.Outer", offsetof(ObjectHeader, Outer));
    RegisterField("AActor.TargetingTeam", offsetof(ActorBody, TargetingTeam));
    RegisterField("APrimalCharacter.MyCharacterStatusComponent", offsetof(ActorBody, StatusComponent));
    RegisterField("UPrimalCharacterStatusComponent.BaseCharacterLevel", offsetof(StatusBody, BaseCharacterLevel));
    for (int i = 0; i < kRateCount; ++i) {
        const RateSlot slot = kRateSlots[i];
        const std::ptrdiff_t offset = slot.OnStatus ? offsetof(StatusBody, Rates) : offsetof(ActorBody, DinoRates);
        const std::string owner = slot.OnStatus ? "UPrimalCharacterStatusComponent." : "APrimalDinoCharacter.";
        RegisterField(owner + kRateFieldNames[i], offset + static_cast<std::ptrdiff_t>(sizeof(float)) * slot.Index);
    }
    RegisterBitField("APrimalDinoCharacter.bIsDestroyingDino", offsetof(ActorBody, DinoFlags), kDestroyingBit, 1);
}

}  // namespace

void RegisterGameNames()
{
    static_assert(offsetof(ActorBody, Object) == 0 && offsetof(StatusBody, Object) == 0 && offsetof(ClassBody, Object) == 0,
                  "every object starts with its header");
    RegisterFunctions();
    RegisterFields();
}

}  // namespace sim::world
