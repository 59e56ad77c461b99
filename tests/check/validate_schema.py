#!/usr/bin/env python3
"""The configuration schema accepts the example and refuses files the plugin would not take as meant.

usage: validate_schema.py SCHEMA EXAMPLE CASES_DIR
Exit 0 when every file is judged as expected, 1 otherwise, 77 (skipped) without python3-jsonschema.
"""
import json
import os
import sys

try:
    import jsonschema
except ImportError:
    print("python3-jsonschema is not installed: skipped")
    sys.exit(77)

RAPTOR = "Blueprint'/Game/PrimalEarth/Dinos/Raptor/Raptor_Character_BP.Raptor_Character_BP'"

# Documents that must pass.
GOOD = {
    "null global, empty section": {"GlobalDinoBalance": None, "DinoBalance": {}},
    "null and empty entries": {"GlobalDinoBalance": {}, "DinoBalance": {RAPTOR: None, RAPTOR.replace("Raptor", "Rex"): {}}},
    "other top-level members": {"Comment": "mine", "GlobalDinoBalance": None, "DinoBalance": None},
    "mod species": {"GlobalDinoBalance": None, "DinoBalance": {"Blueprint'/Game/Mods/My-Mod/Dinos/Drake_BP.Drake_BP'": {}}},
}

# Documents that must fail, each for one reason.
BAD = {
    "switch given as 1": {"GlobalDinoBalance": None, "DinoBalance": {RAPTOR: {"AllowTame": 1}}},
    "multiplier given as a string": {"GlobalDinoBalance": None, "DinoBalance": {RAPTOR: {"AttackDamageMultiplier": "2"}}},
    "misspelt key": {"GlobalDinoBalance": None, "DinoBalance": {RAPTOR: {"AllowTaming": False}}},
    "misspelt key in the global section": {"GlobalDinoBalance": {"ReducedFoodConsumption": 1}, "DinoBalance": {}},
    "section missing": {"GlobalDinoBalance": None},
    "global section missing": {"DinoBalance": {}},
    "section is an array": {"GlobalDinoBalance": None, "DinoBalance": [{}]},
    "global section is a number": {"GlobalDinoBalance": 1, "DinoBalance": {}},
    "entry is a string": {"GlobalDinoBalance": None, "DinoBalance": {RAPTOR: "fast"}},
    "class name as key": {"GlobalDinoBalance": None, "DinoBalance": {"Raptor_Character_BP_C": {}}},
    "string reference as key": {"GlobalDinoBalance": None, "DinoBalance": {RAPTOR[:-1] + "_C'": {}}},
    "asset and class differ": {"GlobalDinoBalance": None, "DinoBalance": {"Blueprint'/Game/A/Raptor.Rex'": {}}},
    "non-ASCII key": {"GlobalDinoBalance": None, "DinoBalance": {RAPTOR.replace("Raptor_", "Raptör_"): {}}},
    "top level is an array": [{"GlobalDinoBalance": None, "DinoBalance": {}}],
}

# The checker's test files the plugin would refuse or misread.
BAD_CASE_FILES = ["wrong-type-entry.json", "unknown-key.json", "class-name-key.json", "string-reference-key.json",
                  "non-ascii-key.json", "array-section.json", "missing-section.json", "top-level-array.json"]


def main():
    schema_path, example_path, cases_dir = sys.argv[1:4]
    with open(schema_path, encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.Draft7Validator.check_schema(schema)
    validator = jsonschema.Draft7Validator(schema)

    good = dict(GOOD)
    with open(example_path, encoding="utf-8") as f:
        good["examples/config.json"] = json.load(f)
    bad = dict(BAD)
    for name in BAD_CASE_FILES:
        with open(os.path.join(cases_dir, name), encoding="utf-8") as f:
            bad[name] = json.load(f)

    failures = 0
    for name, document in good.items():
        errors = [error.message for error in validator.iter_errors(document)]
        if errors:
            failures += 1
            print(f"FAIL: {name} should pass: {errors[0]}")
    for name, document in bad.items():
        if validator.is_valid(document):
            failures += 1
            print(f"FAIL: {name} should be refused")
    print(f"{len(good)} accepted, {len(bad)} refused, {failures} wrong")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
