#pragma once
// How a game object's species is named: the blueprint path of its class.

#include "host/FString.h"
#include "host/GameTypes.h"

// "Blueprint'" + the class's string reference less its last two characters + "'"; empty for a null object or class.
FString MakeBlueprintPath(const UObject* object);
