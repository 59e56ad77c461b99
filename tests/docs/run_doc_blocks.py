"""Runs the code blocks of Markdown documents, so the commands they show cannot rot.

A block's language decides what happens to it:
  sh (or bash, shell)  each command (a line; a trailing backslash joins the next) runs in bash
                       from the project's root and must exit 0. `build/` at the start of a word
                       stands for the build being tested, `/tmp/` for this test's scratch folder.
  sim                  the lines run as a script of the simulated server (--no-load, a fresh
                       server folder, from the project's root), which must exit 0.
  anything else        only shown (text, json...). A block without a language is an error, so
                       that whoever adds one decides.
An HTML comment on the line right before a block adjusts it:
  <!-- doc-test: skip: REASON -->            not run (a reason is required)
  <!-- doc-test: input to the block above    the lines are typed into the one command of the
  expect TEXT                                 sh block above, which then runs only this way;
  status N -->                                `expect` lines need TEXT in the output, `status`
                                              allows another exit status than 0
Commands that run make are refused unless skipped: they would rebuild the tree under test.

Usage: run_doc_blocks.py --source DIR --build DIR --scratch DIR FILE...
       run_doc_blocks.py --source DIR --build DIR --scratch DIR --commands-documented FILE
The second form checks that FILE shows every console command's usage, as `help` prints it.
"""

import argparse
import os
import re
import shutil
import subprocess
import sys

SHELL_LANGUAGES = {"sh", "bash", "shell"}
DIRECTIVE = re.compile(r"^<!--\s*doc-test:(.*?)(-->)?\s*$")
FENCE = re.compile(r"^(```+|~~~+)\s*([^\s`]*)")
COMMAND_TIMEOUT = 60


class Block:
    def __init__(self, path, line, language, text, directives):
        self.path, self.line, self.language, self.text = path, line, language, text
        self.skip = None
        self.input_to_previous = False
        self.expects = []
        self.status = 0
        self.errors = []
        for directive in directives:
            word, _, rest = directive.strip().partition(" ")
            if directive.strip().startswith("skip:"):
                self.skip = directive.strip()[len("skip:"):].strip()
                if not self.skip:
                    self.errors.append("'skip:' needs a reason")
            elif directive.strip() == "input to the block above":
                self.input_to_previous = True
            elif word == "expect" and rest:
                self.expects.append(rest)
            elif word == "status" and rest.strip().isdigit():
                self.status = int(rest)
            elif directive.strip():
                self.errors.append("unknown doc-test directive '%s'" % directive.strip())

    def name(self):
        return "%s:%d (%s block)" % (self.path, self.line, self.language or "unlabelled")


def read_blocks(path, shown_path):
    """The fenced blocks of a Markdown file, each with the directives of the comment before it."""
    with open(path, encoding="utf-8") as document:
        lines = document.read().split("\n")
    blocks = []
    index = 0
    while index < len(lines):
        fence = FENCE.match(lines[index])
        if not fence:
            index += 1
            continue
        start = index
        directives = comment_before(lines, start)
        end = index + 1
        while end < len(lines) and not lines[end].startswith(fence.group(1)):
            end += 1
        blocks.append(Block(shown_path, start + 1, fence.group(2), "\n".join(lines[start + 1:end]), directives))
        index = end + 1
    return blocks


def comment_before(lines, fence_index):
    """The directive lines of a doc-test comment that ends on the line before the fence."""
    end = fence_index - 1
    if end < 0 or not lines[end].rstrip().endswith("-->"):
        return []
    start = end
    while start >= 0 and not lines[start].lstrip().startswith("<!--"):
        start -= 1
    if start < 0:
        return []
    match = DIRECTIVE.match(lines[start].strip())
    if not match:
        return []
    body = [match.group(1)] + [line for line in lines[start + 1:end + 1]]
    body[-1] = body[-1].rstrip()
    if body[-1].endswith("-->"):
        body[-1] = body[-1][:-3]
    return [line for line in body if line.strip()]


def shell_commands(text):
    """Each command of a shell block: one a line, a trailing backslash joining the next."""
    commands, current = [], ""
    for line in text.split("\n"):
        if line.rstrip().endswith("\\"):
            current += line.rstrip()[:-1] + " "
            continue
        current += line
        if current.strip() and not current.strip().startswith("#"):
            commands.append(current.strip())
        current = ""
    return commands


class Runner:
    def __init__(self, source, build, scratch):
        self.source, self.build, self.scratch = source, build, scratch
        self.sim = os.path.join(build, "bin", "dinotuner-sim")
        self.failures = []
        self.passed = 0

    def as_tested(self, command):
        # One pass, so that the build's own path (which may well lie under /tmp/) is not rewritten again.
        places = {"build/": self.build.rstrip("/") + "/", "/tmp/": self.scratch.rstrip("/") + "/"}
        return re.sub(r"(^|(?<=[\s=]))(build/|/tmp/)", lambda match: places[match.group(2)], command)

    def fail(self, block, message, output=""):
        tail = "\n".join("    | " + line for line in output.rstrip().split("\n")[-25:]) if output.strip() else ""
        self.failures.append("%s: %s%s" % (block.name(), message, "\n" + tail if tail else ""))
        print("FAIL %s: %s" % (block.name(), message))
        if tail:
            print(tail)

    def run(self, block, argv_or_command, stdin_text, shell):
        try:
            result = subprocess.run(argv_or_command, shell=shell, executable="/bin/bash" if shell else None,
                                    cwd=self.source, input=stdin_text, capture_output=True, text=True,
                                    timeout=COMMAND_TIMEOUT)
        except subprocess.TimeoutExpired:
            return None, "timed out after %d s" % COMMAND_TIMEOUT
        return result.returncode, result.stdout + result.stderr

    def check_output(self, block, output):
        ok = True
        for text in block.expects:
            if text not in output:
                self.fail(block, "the output lacks '%s'" % text, output)
                ok = False
        return ok

    def run_shell(self, block, stdin_block=None):
        commands = shell_commands(block.text)
        for command in commands:
            if re.match(r"^(sudo\s+)?make(\s|$)", command):
                self.fail(block, "'%s' would rebuild the tree under test: mark the block "
                                 "<!-- doc-test: skip: REASON -->" % command)
                return False
        if stdin_block is not None and len(commands) != 1:
            self.fail(stdin_block, "input goes to the one command of the block above, which has %d" % len(commands))
            return False
        checked = stdin_block if stdin_block is not None else block
        output_all = ""
        for command in commands:
            status, output = self.run(block, self.as_tested(command), stdin_block.text + "\n" if stdin_block else "", True)
            output_all += output
            if status is None or status != checked.status:
                self.fail(checked, "`%s` %s, expected exit status %d" % (
                    command, output if status is None else "exited %d" % status, checked.status), output)
                return False
        return self.check_output(checked, output_all)

    def run_sim(self, block):
        folder = os.path.join(self.scratch, "sim-%s-%d" % (os.path.basename(block.path), block.line))
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        script = os.path.join(folder, "block.txt")
        with open(script, "w", encoding="utf-8") as file:
            file.write(block.text + "\n")
        status, output = self.run(block, [self.sim, "--no-load", "--dir", os.path.join(folder, "server"),
                                          "--script", script], "", False)
        if status is None or status != block.status:
            self.fail(block, "the simulated server %s, expected exit status %d" % (
                output if status is None else "exited %d" % status, block.status), output)
            return False
        return self.check_output(block, output)

    def run_document(self, blocks):
        for index, block in enumerate(blocks):
            for error in block.errors:
                self.fail(block, error)
            if block.errors:
                continue
            if not block.language:
                self.fail(block, "a code block without a language: write ```sh or ```sim for commands "
                                 "this test runs, or ```text for what is only shown")
                continue
            following = blocks[index + 1] if index + 1 < len(blocks) else None
            if block.skip is not None or (following is not None and following.input_to_previous
                                          and following.skip is None):
                continue  # skipped, or run with the input of the block that follows
            if block.input_to_previous:
                above = blocks[index - 1] if index > 0 else None
                if above is None or above.language not in SHELL_LANGUAGES:
                    self.fail(block, "'input to the block above' needs a sh block right above it")
                    continue
                ok = self.run_shell(above, block)
            elif block.language in SHELL_LANGUAGES:
                ok = self.run_shell(block)
            elif block.language == "sim":
                ok = self.run_sim(block)
            else:
                continue
            if ok:
                self.passed += 1
                print("ok   %s" % block.name())

    def check_commands_documented(self, path, shown_path):
        """Every console command's usage, as `help COMMAND` prints it, appears in the document."""
        with open(path, encoding="utf-8") as document:
            text = document.read().replace("\\|", "|")  # a | inside a table cell is written \|
        listing = subprocess.run([self.sim, "--no-load", "--dir", os.path.join(self.scratch, "help-server")],
                                 input="help\n", capture_output=True, text=True, timeout=COMMAND_TIMEOUT).stdout
        names = re.findall(r"^  (\S+) +\S", listing, re.M)
        if len(names) < 10:
            self.failures.append("%s: `help` listed only %r" % (shown_path, names))
            return
        for name in names:
            answer = subprocess.run([self.sim, "--no-load", "--dir", os.path.join(self.scratch, "help-server")],
                                    input="help %s\n" % name, capture_output=True, text=True,
                                    timeout=COMMAND_TIMEOUT).stdout
            usage = re.search(r"^usage: (.*)$", answer, re.M)
            if not usage or "`%s`" % usage.group(1) not in text:
                self.failures.append("%s does not show the usage of '%s' as `%s`" % (
                    shown_path, name, usage.group(1) if usage else "?"))
            else:
                self.passed += 1


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--source", required=True)
    parser.add_argument("--build", required=True)
    parser.add_argument("--scratch", required=True)
    parser.add_argument("--commands-documented", action="store_true")
    parser.add_argument("files", nargs="+")
    arguments = parser.parse_args()
    os.makedirs(arguments.scratch, exist_ok=True)
    runner = Runner(os.path.abspath(arguments.source), os.path.abspath(arguments.build), os.path.abspath(arguments.scratch))
    for file in arguments.files:
        path = file if os.path.isabs(file) else os.path.join(runner.source, file)
        if arguments.commands_documented:
            runner.check_commands_documented(path, file)
        else:
            runner.run_document(read_blocks(path, file))
    for failure in runner.failures:
        print("\n" + failure)
    print("%d passed, %d failed" % (runner.passed, len(runner.failures)))
    sys.exit(1 if runner.failures else 0)


if __name__ == "__main__":
    main()
