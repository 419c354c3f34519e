#!/usr/bin/env python3
"""The generator refuses page templates that disagree with the tables."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
TABLES = os.path.join(HERE, "..", "code32", "common", "core", "tables")


class PageTemplates(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp()
        self.data = os.path.join(self.tmp, "data")
        shutil.copytree(HERE, self.data, ignore=shutil.ignore_patterns("__pycache__", "*.py"))
        self.tables = os.path.join(self.tmp, "tables")
        shutil.copytree(TABLES, self.tables, ignore=shutil.ignore_patterns("*.py"))

    def tearDown(self):
        shutil.rmtree(self.tmp)

    def run_gen(self):
        return subprocess.run([sys.executable, os.path.join(HERE, "gen_resources.py"), "--data", self.data,
                               "--tables", self.tables, "--name", "VESKR1us.DLL", "--languages", "us",
                               "--out", os.path.join(self.tmp, "out")], capture_output=True, text=True)

    def append(self, path, line):
        with open(path, "a", encoding="utf-8") as f:
            f.write(line + "\n")

    def test_the_repository_data_agree(self):
        r = self.run_gen()
        self.assertEqual(r.returncode, 0, r.stderr)

    def test_disagreements_stop_the_build(self):
        pictures = os.path.join("layout", "pictures.tsv")
        cases = [
            (pictures, None, "1002\t9999\t6\t6\t10\t10\t-\t-", "has no control 9999"),
            (pictures, None, "1002\t2040\t700\t6\t40\t10\t-\t-", "lies outside"),
            (pictures, None, "1002\t2040\t6\t6\t10\t10\t-\t" + "x" * 300, "too long"),
            ("dialogs.tsv", None, "4006\t5006\tStatic\t10\t40\t10\t10\t-", "the tables give"),
            ("control_types.tsv", "1\tStatic\tSS_LEFT\t", "1\tStatic\tSS_NOSUCH\t", "unknown style"),
            ("control_types.tsv", "105\tSysListView32", "106\tSysListView32", "which control_types.tsv lacks"),
        ]
        for path, old, new, message in cases:
            with self.subTest(message=message):
                full = os.path.join(self.data, path)
                with open(full, encoding="utf-8") as f:
                    saved = f.read()
                try:
                    with open(full, "w", encoding="utf-8") as f:
                        f.write(saved.replace(old, new) if old else saved + new + "\n")
                    r = self.run_gen()
                    self.assertNotEqual(r.returncode, 0)
                    self.assertIn(message, r.stderr)
                finally:
                    with open(full, "w", encoding="utf-8") as f:
                        f.write(saved)
        # A control of the tables on a page the page table lacks.
        self.append(os.path.join(self.tables, "controls.tsv"), "1999\t2001\t1\t0\t0\t0\t0\t0\t0\t0\t0x0\t-")
        r = self.run_gen()
        self.assertIn("which the page table lacks", r.stderr)


if __name__ == "__main__":
    unittest.main()
