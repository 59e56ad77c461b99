#!/usr/bin/env python3
"""Checks the plugin's declaration of its host against the host's own facts.

The real host is built with MSVC, which decorates names and lays out classes its own way; nothing
on this machine links against it. So the host declaration (src/host/HostApi.h) is compiled here,
without linking, by clang for the host's target (x86_64-pc-windows-msvc), and the compiler's own
view of it is compared with host-facts.txt:

  (a) the names the plugin imports (the object's undefined __imp_ symbols) are exactly the host's
      exports listed there;
  (b) the virtual slots of IHooks, ICommands and IApiUtils (-fdump-vtable-layouts) are the host's,
      in the host's order;
  (c) sizeof and member offsets of the types passed by value or by pointer (BitField, FString,
      RCONPacket) are the host's.

With --sdk (the host's SDK folder), the listed exports are also looked up in its lib/ArkApi.lib,
so that the facts cannot drift from the host's import library. With --all-sources, every .cpp of
the plugin is compiled the same way and each host function it imports must be one the host
exports: files that glibc's headers cannot give that target (they need <chrono>, which assumes a
64-bit `long`) or that need windows.h are named and passed over.

Linux's libstdc++ headers stand in for MSVC's library: with _GLIBCXX_USE_CXX11_ABI=0 its
std::string, std::vector and std::shared_ptr decorate as MSVC's do. Exit status 0 when everything
matches, 1 with one line per difference.
"""

import argparse
import concurrent.futures
import os
import re
import subprocess
import sys
import tempfile

TARGET_FLAGS = [
    "--target=x86_64-pc-windows-msvc", "-std=c++17", "-c", "-nostdinc++", "-nostdlibinc",
    "-isystem", "/usr/include/c++/12", "-isystem", "/usr/include/x86_64-linux-gnu/c++/12",
    "-isystem", "/usr/include/x86_64-linux-gnu", "-isystem", "/usr/include",
    # std::string without the __cxx11 namespace, as MSVC's library names it.
    "-D_GLIBCXX_USE_CXX11_ABI=0",
    # What g++ predefines for x86-64 and libstdc++'s atomics rely on.
    "-D__GCC_ATOMIC_BOOL_LOCK_FREE=2", "-D__GCC_ATOMIC_CHAR_LOCK_FREE=2",
    "-D__GCC_ATOMIC_CHAR16_T_LOCK_FREE=2", "-D__GCC_ATOMIC_CHAR32_T_LOCK_FREE=2",
    "-D__GCC_ATOMIC_WCHAR_T_LOCK_FREE=2", "-D__GCC_ATOMIC_SHORT_LOCK_FREE=2",
    "-D__GCC_ATOMIC_INT_LOCK_FREE=2", "-D__GCC_ATOMIC_LONG_LOCK_FREE=2",
    "-D__GCC_ATOMIC_LLONG_LOCK_FREE=2", "-D__GCC_ATOMIC_POINTER_LOCK_FREE=2",
    "-D__GCC_ATOMIC_TEST_AND_SET_TRUEVAL=1",
    # libstdc++ warns that clang in MSVC mode leaves __STRICT_ANSI__ undefined; glibc needs it so.
    "-Wno-#warnings",
]

# fmt includes <intrin.h> for MSVC, whose _mm_malloc wants the MSVC runtime's aligned allocator.
PRELUDE = """#include <stddef.h>
extern "C" void* _aligned_malloc(size_t size, size_t alignment);
extern "C" void _aligned_free(void* block);
"""

# Failures that come from compiling with Linux's C headers for Windows, not from the plugin's code.
KNOWN_LIMITS = [
    (re.compile(r"This library calls __builtin_clzll on uintmax_t"),
     "needs <chrono>, which glibc's headers cannot give a target with a 32-bit long"),
    (re.compile(r"'windows\.h' file not found"), "needs windows.h"),
]


def read_facts(path):
    facts = {"export": [], "slot": {}, "partial": set(), "layout": {}}
    with open(path, encoding="utf-8") as lines:
        for number, line in enumerate(lines, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            kind, _, rest = line.partition(" ")
            if kind == "export":
                facts["export"].append(rest)
            elif kind == "slot":
                cls, index, signature = rest.split(" ", 2)
                facts["slot"].setdefault(cls, {})[int(index)] = signature
            elif kind == "partial":
                facts["partial"].add(rest)
            elif kind == "layout":
                name, size, *offsets = rest.split()
                facts["layout"][name] = (int(size), [int(o) for o in offsets])
            else:
                sys.exit(f"{path}:{number}: unknown fact {kind!r}")
    return facts


def compile_for_host(clang, source, include_dir, obj, prelude, dumps=False):
    command = [clang] + TARGET_FLAGS + ["-include", prelude, "-I", include_dir, source, "-o", obj]
    if dumps:
        command += ["-Xclang", "-fdump-vtable-layouts", "-Xclang", "-fdump-record-layouts"]
    return subprocess.run(command, capture_output=True, text=True)


def host_imports(nm, obj):
    out = subprocess.run([nm, "--undefined-only", obj], capture_output=True, text=True, check=True).stdout
    names = set()
    for line in out.splitlines():
        symbol = line.split()[-1] if line.split() else ""
        if symbol.startswith("__imp_"):
            names.add(symbol[len("__imp_"):])
    return names


def library_exports(nm, library):
    out = subprocess.run([nm, library], capture_output=True, text=True).stdout
    exports = set()
    for line in out.splitlines():
        parts = line.split()
        if len(parts) == 3 and parts[1] in "TD" and parts[2].startswith("__imp_"):
            exports.add(parts[2][len("__imp_"):])
    return exports


def squeeze(text):
    return re.sub(r"\s+", "", text)


def vtable_slots(dump):
    """{class: {index: signature}} from the 'VFTable indices' blocks, without the class qualifier."""
    slots = {}
    current = None
    for line in dump.splitlines():
        header = re.match(r"VFTable indices for '(.+)' \(\d+ entries\)\.", line)
        if header:
            current = header.group(1)
            slots[current] = {}
            continue
        entry = re.match(r"\s*(\d+) \| (.+)$", line)
        if current and entry:
            slots[current][int(entry.group(1))] = entry.group(2).replace(current + "::", "")
        elif current and not line.strip():
            current = None
    return slots


def record_layouts(dump):
    """{type: (size, [member offsets])} for the top-level members of every record dumped."""
    layouts = {}
    blocks = dump.split("*** Dumping AST Record Layout")
    for block in blocks[1:]:
        lines = block.strip("\n").splitlines()
        head = re.match(r"\s*0 \| (?:struct|class|union) (\S+)$", lines[0]) if lines else None
        if not head:
            continue
        offsets = []
        size = None
        for line in lines[1:]:
            member = re.match(r"\s*(\d+) \|   (\S.*)$", line)
            if member:
                offsets.append(int(member.group(1)))
            sized = re.search(r"\[sizeof=(\d+)", line)
            if sized:
                size = int(sized.group(1))
                break
        layouts.setdefault(head.group(1), (size, offsets))
    return layouts


def check_header(args, facts, prelude, workdir, exports):
    problems = []
    obj = os.path.join(workdir, "host_contract.obj")
    result = compile_for_host(args.clang, args.probe, args.include, obj, prelude, dumps=True)
    if result.returncode != 0:
        return [f"{args.probe} does not compile for the host's target:\n{result.stderr}"]

    imports = host_imports(args.nm, obj)
    for name in sorted(imports - set(facts["export"])):
        problems.append(f"import {name}: the host exports no function of that name")
    for name in sorted(set(facts["export"]) - imports):
        problems.append(f"export {name}: the plugin does not import it under that name")
    if exports is not None:
        for name in sorted(imports - exports):
            problems.append(f"import {name}: not in the host's ArkApi.lib")

    slots = vtable_slots(result.stdout)
    for cls, expected in facts["slot"].items():
        declared = slots.get(cls)
        if declared is None:
            problems.append(f"{cls}: no vtable laid out (is it still declared and called?)")
            continue
        for index in sorted(declared):
            if index not in expected:
                problems.append(f"{cls} slot {index}: {declared[index]}; the host's class has no slot {index}")
            elif squeeze(declared[index]) != squeeze(expected[index]):
                problems.append(f"{cls} slot {index}: {declared[index]}; the host's is {expected[index]}")
        missing = [i for i in sorted(expected) if i not in declared]
        if missing and cls not in facts["partial"]:
            problems.append(f"{cls}: slots {missing} are not declared; the host's are " +
                            "; ".join(expected[i] for i in missing))

    layouts = record_layouts(result.stdout)
    for name, (size, offsets) in facts["layout"].items():
        if name not in layouts:
            problems.append(f"{name}: not laid out (is it still declared and measured?)")
            continue
        got_size, got_offsets = layouts[name]
        if got_size != size:
            problems.append(f"{name}: sizeof {got_size}; the host's is {size}")
        if got_offsets != offsets:
            problems.append(f"{name}: members at {got_offsets}; the host's at {offsets}")
    return problems


def check_sources(args, prelude, workdir, allowed):
    """Every plugin source compiled for the host's target: each host import must be an export."""
    sources = sorted(os.path.join(root, name) for root, _, names in os.walk(args.all_sources)
                     for name in names if name.endswith(".cpp"))

    def one(source):
        obj = os.path.join(workdir, os.path.relpath(source, args.all_sources).replace(os.sep, "_") + ".obj")
        return source, obj, compile_for_host(args.clang, source, args.include, obj, prelude)

    problems, compiled, passed_over, imported = [], [], [], set()
    with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        for source, obj, result in pool.map(one, sources):
            name = os.path.relpath(source, args.all_sources)
            if result.returncode == 0:
                compiled.append(name)
                imports = host_imports(args.nm, obj)
                imported |= imports
                for symbol in sorted(imports - allowed):
                    problems.append(f"{name} imports {symbol}, which the host does not export")
                continue
            reason = next((why for pattern, why in KNOWN_LIMITS if pattern.search(result.stderr)), None)
            if reason is None:
                first = next((l for l in result.stderr.splitlines() if "error" in l), result.stderr[:300])
                problems.append(f"{name} does not compile for the host's target: {first}")
            else:
                passed_over.append(f"{name} ({reason})")
    print(f"compiled for the host's target: {len(compiled)} of {len(sources)} sources of {args.all_sources}")
    for entry in passed_over:
        print(f"  passed over: {entry}")
    print(f"  host functions they import: {len(imported)}")
    for symbol in sorted(imported):
        print(f"    {symbol}")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--clang", required=True)
    parser.add_argument("--nm", required=True)
    parser.add_argument("--facts", required=True)
    parser.add_argument("--probe", required=True, help="the source that calls every host function")
    parser.add_argument("--include", required=True, help="the plugin's source folder (holds host/HostApi.h)")
    parser.add_argument("--sdk", help="the host's SDK folder, holding lib/ArkApi.lib")
    parser.add_argument("--all-sources", help="compile every .cpp below this folder too")
    args = parser.parse_args()

    facts = read_facts(args.facts)
    exports = None
    if args.sdk:
        library = os.path.join(args.sdk, "lib", "ArkApi.lib")
        exports = library_exports(args.nm, library)
        if not exports:
            print(f"{library}: no exports read")
            return 1
        print(f"{library}: {len(exports)} exports")

    problems = []
    if exports is not None:
        for name in facts["export"]:
            if name not in exports:
                problems.append(f"fact export {name}: not in the host's ArkApi.lib")

    with tempfile.TemporaryDirectory() as workdir:
        prelude = os.path.join(workdir, "prelude.h")
        with open(prelude, "w", encoding="utf-8") as out:
            out.write(PRELUDE)
        problems += check_header(args, facts, prelude, workdir, exports)
        if args.all_sources:
            problems += check_sources(args, prelude, workdir, exports if exports is not None else set(facts["export"]))

    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} difference(s) from the host")
        return 1
    print(f"the host declaration matches: {len(facts['export'])} imports, "
          f"{sum(len(s) for s in facts['slot'].values())} slots of {len(facts['slot'])} classes, "
          f"{len(facts['layout'])} layouts")
    return 0


if __name__ == "__main__":
    sys.exit(main())
