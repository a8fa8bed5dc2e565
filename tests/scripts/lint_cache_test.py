#!/usr/bin/env python3
"""The lint cache re-checks exactly what a change can affect, and never
remembers a finding. A tiny CMake project is built with Ninja, as the real one
is, so that the build's own dependency records are what the cache reads.
    lint_cache_test.py <scripts/run-lint>
"""
import os
import subprocess
import sys
import tempfile
import unittest

RUN_LINT = os.path.realpath(sys.argv.pop(1)) if len(sys.argv) > 1 else ""

FILES = {
    ".clang-tidy": "Checks: '-*,modernize-use-nullptr'\nWarningsAsErrors: '*'\nHeaderFilterRegex: '.*'\n",
    "CMakeLists.txt": "cmake_minimum_required(VERSION 3.25)\nproject(t CXX)\n"
                      "set(CMAKE_EXPORT_COMPILE_COMMANDS ON)\n"
                      "add_library(t STATIC src/a.cpp src/b.cpp src/other/c.cpp)\n"
                      "target_include_directories(t PRIVATE src)\n",
    "src/shared.h": "inline int twice(int x) { return 2 * x; }\n",
    "src/deep.h": "#include \"shared.h\"\ninline int four(int x) { return twice(twice(x)); }\n",
    "src/a.cpp": "#include \"shared.h\"\nint a() { return twice(1); }\n",
    "src/b.cpp": "#include \"deep.h\"\nint b() { return four(1); }\n",
    "src/other/c.cpp": "int c() { return 3; }\n",
}


class LintCache(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.TemporaryDirectory()
        self.root = os.path.join(self.scratch.name, "project")
        for name, text in FILES.items():
            self.write(name, text)
        build = os.path.join(self.root, "build")
        subprocess.run(["cmake", "-S", self.root, "-B", build, "-G", "Ninja"], check=True,
                       capture_output=True)
        subprocess.run(["ninja", "-C", build], check=True, capture_output=True)
        self.command = [RUN_LINT, build, "--root", self.root, "--folders", "src",
                        "--cache", os.path.join(self.scratch.name, "cache")]

    def tearDown(self):
        self.scratch.cleanup()

    def write(self, name, text):
        path = os.path.join(self.root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as file:
            file.write(text)

    def to_check(self):
        listing = subprocess.run(self.command + ["--list"], check=True, capture_output=True,
                                 text=True).stdout
        return sorted(os.path.basename(line) for line in listing.split())

    def lint(self):
        return subprocess.run(self.command, capture_output=True, text=True, check=False)

    def test_a_change_rechecks_exactly_the_files_it_reaches(self):
        self.assertEqual(self.to_check(), ["a.cpp", "b.cpp", "c.cpp"])
        self.assertEqual(self.lint().returncode, 0)
        self.assertEqual(self.to_check(), [])
        steps = [
            ("a header included directly and through another",
             "src/shared.h", FILES["src/shared.h"] + "// edited\n", ["a.cpp", "b.cpp"]),
            ("a header included only through another",
             "src/deep.h", FILES["src/deep.h"] + "// edited\n", ["b.cpp"]),
            ("a source alone", "src/other/c.cpp", FILES["src/other/c.cpp"] + "// edited\n", ["c.cpp"]),
            ("a folder's own checks", "src/other/.clang-tidy", "InheritParentConfig: true\n",
             ["c.cpp"]),
            ("the checks", ".clang-tidy", FILES[".clang-tidy"] + "# edited\n",
             ["a.cpp", "b.cpp", "c.cpp"]),
        ]
        for what, name, text, expected in steps:
            with self.subTest(what):
                self.write(name, text)
                self.assertEqual(self.to_check(), expected)
                self.assertEqual(self.lint().returncode, 0)
                self.assertEqual(self.to_check(), [])

    def test_a_finding_fails_every_run_until_it_is_mended(self):
        self.assertEqual(self.lint().returncode, 0)
        self.write("src/deep.h", FILES["src/deep.h"] + "inline int* bad() { return 0; }\n")
        for run in ("first", "warm"):
            with self.subTest(run):
                result = self.lint()
                self.assertNotEqual(result.returncode, 0)
                self.assertIn("modernize-use-nullptr", result.stdout)
                self.assertEqual(self.to_check(), ["b.cpp"])
        self.write("src/deep.h", FILES["src/deep.h"])
        self.assertEqual(self.to_check(), [])  # the clean state is still remembered


if __name__ == "__main__":
    unittest.main()
