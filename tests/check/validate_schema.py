#!/usr/bin/env python3
"""The configuration schema and dinotuner-check judge files alike.

usage: validate_schema.py SCHEMA CHECKER EXAMPLE CASES_DIR

Both come from the one description of the keys, and they must agree: every file the checker
finds an error in, the schema refuses; and every file the schema refuses, the checker reports
(as an error or a warning: a key with a typo, say, loads but is almost surely a mistake). Checked
on the example, the checker's test files, and a few more documents below.
Exit 0 when they agree everywhere, 1 otherwise, 77 (skipped) without python3-jsonschema.
"""
import json
import os
import subprocess
import sys
import tempfile

try:
    import jsonschema
except ImportError:
    print("python3-jsonschema is not installed: skipped")
    sys.exit(77)

RAPTOR = "Blueprint'/Game/PrimalEarth/Dinos/Raptor/Raptor_Character_BP.Raptor_Character_BP'"

# Documents beside the test files, each with what both must say of it: "clean" (no finding,
# schema passes), "loads" (the schema passes, the checker finds no error; warnings are about
# what no schema can see), "refused" (the schema refuses, the checker reports something).
DOCUMENTS = {
    "null global, empty section": ({"GlobalDinoBalance": None, "DinoBalance": {}}, "clean"),
    "null and empty entries": ({"GlobalDinoBalance": {}, "DinoBalance": {RAPTOR: None, RAPTOR.replace("Raptor", "Rex"): {}}}, "clean"),
    "null values take the default": ({"GlobalDinoBalance": {"ReducedFoodConsumptionSpeedMultiplier": None},
                                      "DinoBalance": {RAPTOR: {"AllowTame": None, "AttackDamageMultiplier": None}}}, "clean"),
    "other top-level members": ({"Comment": "mine", "GlobalDinoBalance": None, "DinoBalance": {}}, "clean"),
    "mod species": ({"GlobalDinoBalance": None, "DinoBalance": {"Blueprint'/Game/Mods/My-Mod/Dinos/Drake_BP.Drake_BP'": {}}}, "clean"),
    "path outside ASCII": ({"GlobalDinoBalance": None, "DinoBalance": {RAPTOR.replace("Raptor_", "Raptör_"): {}}}, "clean"),
    "largest float": ({"GlobalDinoBalance": None, "DinoBalance": {RAPTOR: {"AttackDamageMultiplier": 3.4028235e38}}}, "clean"),
    "smallest float": ({"GlobalDinoBalance": None, "DinoBalance": {RAPTOR: {"AttackDamageMultiplier": 1.4e-45}}}, "clean"),
    "global rate an entry leaves out": ({"GlobalDinoBalance": {"ReducedFoodConsumptionSpeedMultiplier": 0.5},
                                         "DinoBalance": {RAPTOR: {"AllowTame": False}}}, "loads"),
    "switch given as 1": ({"GlobalDinoBalance": None, "DinoBalance": {RAPTOR: {"AllowTame": 1}}}, "refused"),
    "multiplier given as a string": ({"GlobalDinoBalance": None, "DinoBalance": {RAPTOR: {"AttackDamageMultiplier": "2"}}}, "refused"),
    "multiplier given as a boolean": ({"GlobalDinoBalance": None, "DinoBalance": {RAPTOR: {"AttackDamageMultiplier": True}}}, "refused"),
    "number beyond a float": ({"GlobalDinoBalance": None, "DinoBalance": {RAPTOR: {"AttackDamageMultiplier": 1e39}}}, "refused"),
    "number that reads as 0": ({"GlobalDinoBalance": None, "DinoBalance": {RAPTOR: {"AttackDamageMultiplier": 1e-50}}}, "refused"),
    "misspelt key": ({"GlobalDinoBalance": None, "DinoBalance": {RAPTOR: {"AllowTaming": False}}}, "refused"),
    "misspelt global key": ({"GlobalDinoBalance": {"ReducedFoodConsumption": 1}, "DinoBalance": {}}, "refused"),
    "section missing": ({"GlobalDinoBalance": None}, "refused"),
    "global section missing": ({"DinoBalance": {}}, "refused"),
    "section is null": ({"GlobalDinoBalance": None, "DinoBalance": None}, "refused"),
    "section is an array": ({"GlobalDinoBalance": None, "DinoBalance": [{}]}, "refused"),
    "section is a number": ({"GlobalDinoBalance": None, "DinoBalance": 5}, "refused"),
    "global section is a number": ({"GlobalDinoBalance": 1, "DinoBalance": {}}, "refused"),
    "entry is a string": ({"GlobalDinoBalance": None, "DinoBalance": {RAPTOR: "fast"}}, "refused"),
    "class name as key": ({"GlobalDinoBalance": None, "DinoBalance": {"Raptor_Character_BP_C": {}}}, "refused"),
    "string reference as key": ({"GlobalDinoBalance": None, "DinoBalance": {RAPTOR[:-1] + "_C'": {}}}, "refused"),
    "asset and class differ": ({"GlobalDinoBalance": None, "DinoBalance": {"Blueprint'/Game/A/Raptor.Rex'": {}}}, "refused"),
    "a map's section": ({"GlobalDinoBalance": None, "DinoBalance": {}, "Maps": {"Ragnarok": {"GlobalDinoBalance": None, "DinoBalance": {RAPTOR: {}}},
                                                                                "TheIsland": None, "Gen2": {"DinoBalance": None}}}, "clean"),
    "misspelt map name": ({"GlobalDinoBalance": None, "DinoBalance": {}, "Maps": {"Ragnorak": {}}}, "loads"),
    "map entry with a wrong type": ({"GlobalDinoBalance": None, "DinoBalance": {}, "Maps": {"Ragnarok": {"DinoBalance": {RAPTOR: {"AllowRide": 0}}}}}, "refused"),
    "map section is a list": ({"GlobalDinoBalance": None, "DinoBalance": {}, "Maps": {"Ragnarok": []}}, "refused"),
    "Maps is a list": ({"GlobalDinoBalance": None, "DinoBalance": {}, "Maps": [{"Ragnarok": {}}]}, "refused"),
    "misspelt member of a map's section": ({"GlobalDinoBalance": None, "DinoBalance": {}, "Maps": {"Ragnarok": {"DinoBalanse": {}}}}, "refused"),
    "class name as a map's key": ({"GlobalDinoBalance": None, "DinoBalance": {}, "Maps": {"Ragnarok": {"DinoBalance": {"Raptor_Character_BP_C": {}}}}}, "refused"),
    "top level is an array": ([{"GlobalDinoBalance": None, "DinoBalance": {}}], "refused"),
    "tamed and wild apart": ({"GlobalDinoBalance": None, "DinoBalance": {RAPTOR: {"Tamed": {"AttackDamageMultiplier": 2},
                                                                                  "Wild": None}}}, "clean"),
    "a switch in Wild": ({"GlobalDinoBalance": None, "DinoBalance": {RAPTOR: {"Wild": {"AllowRide": False}}}}, "refused"),
    "Tamed is a number": ({"GlobalDinoBalance": None, "DinoBalance": {RAPTOR: {"Tamed": 2}}}, "refused"),
}


def check(checker, path):
    """The checker's errors and warnings for a file."""
    run = subprocess.run([checker, "--json", path], capture_output=True, check=False)
    report = json.loads(run.stdout)["files"][0]
    severities = [finding["severity"] for finding in report["findings"]]
    return severities.count("error"), severities.count("warning")


def main():
    schema_path, checker, example_path, cases_dir = sys.argv[1:5]
    with open(schema_path, encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.Draft7Validator.check_schema(schema)
    validator = jsonschema.Draft7Validator(schema)

    failures = 0
    with tempfile.TemporaryDirectory() as scratch:
        files = {}
        for name, (document, expected) in DOCUMENTS.items():
            path = os.path.join(scratch, name.replace(" ", "-") + ".json")
            with open(path, "w", encoding="utf-8") as f:
                json.dump(document, f, ensure_ascii=False)
            files[name] = (path, expected)
        # It shows on purpose that an entry does not take the global section's rates: warned, not wrong.
        files["examples/config.json"] = (example_path, "loads")
        for entry in sorted(os.listdir(cases_dir)):
            if entry.endswith(".json"):
                files[entry] = (os.path.join(cases_dir, entry), None)

        for name, (path, expected) in files.items():
            errors, warnings = check(checker, path)
            try:
                with open(path, encoding="utf-8") as f:
                    document = json.load(f)
            except ValueError:
                continue  # not JSON: the checker's parse error, nothing for a schema to judge
            refused = not validator.is_valid(document)
            problems = []
            if errors and not refused:
                problems.append(f"the checker finds {errors} error(s) but the schema accepts it")
            if refused and not (errors or warnings):
                problems.append(f"the schema refuses it but the checker is clean: {next(validator.iter_errors(document)).message}")
            if expected == "clean" and (refused or errors or warnings):
                problems.append("should be clean for both")
            if expected == "loads" and (refused or errors or not warnings):
                problems.append("should load, with warnings only")
            if expected == "refused" and not refused:
                problems.append("the schema should refuse it")
            for problem in problems:
                failures += 1
                print(f"FAIL: {name}: {problem}")
        print(f"{len(files)} files judged, {failures} disagreements")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
