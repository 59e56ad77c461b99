#include "balance/BlueprintPath.h"
#include "balance/Handlers.h"

float Hook_TakeDamage(APrimalDinoCharacter* dino, float damage, FDamageEvent* event, AController* instigator, AActor* causer)
{
    const std::shared_ptr<BalancedDino> victim = FindDinoBalance(dino);
    if (victim) {
        const float resistance = victim->DamageResistanceMultiplier;
        if (resistance != -1.0f && resistance != 0.0f) {
            damage = damage / resistance;
        }
    }
    if (causer != nullptr) {
        // 0.0 is what every entry without the key holds: it must not make a species harmless.
        if (const std::shared_ptr<BalancedDino> attacker = FindDinoBalance(causer)) {
            const float attack = attacker->AttackDamageMultiplier;
            if (attack != -1.0f && attack != 0.0f) {
                damage = damage * attack;
            }
        }
        if (victim && victim->TurretDamageMultiplier != 0.0f) {
            damage = damage * victim->TurretDamageMultiplier;
        }
    }
    return slots::TakeDamage(dino, damage, event, instigator, causer);
}
