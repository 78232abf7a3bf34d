#!/usr/bin/env python3
"""The release archive as the file manager's installer meets it, checked against the build.

Needs `make release` first (make test builds it). Reads the version from the project version in
CMakeLists.txt, the archive from dist/, the modules' version resources from their bytes, and packs
the archive a second time to see the same bytes.
"""
import configparser
import os
import re
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
DIST = os.path.join(ROOT, "dist")
SHIPPED = ["pluginst.inf", "Tallyfold.wfx", "Tallyfold.wfx64", "readme.txt", "tfhost32.exe", "tfhost64.exe"]
MODULES = {"Tallyfold.wfx": (0x014C, "x86"), "Tallyfold.wfx64": (0x8664, "x64")}
INF_KEYS = ["description", "type", "file", "defaultdir", "version"]


def project_version():
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as f:
        found = re.search(r"project\(Tallyfold\s+VERSION\s+([0-9.]+)", f.read())
    return found.group(1)


class Pe:
    """The parts of a PE image the release is judged by: machine, header time, symbols, sections."""

    def __init__(self, data):
        self.data = data
        header = struct.unpack_from("<I", data, 0x3C)[0]
        if data[header:header + 4] != b"PE\0\0":
            raise ValueError("not a PE image")
        (self.machine, count, self.timestamp, symbol_table, self.symbols, optional_size,
         _) = struct.unpack_from("<HHIIIHH", data, header + 4)
        strings = symbol_table + 18 * self.symbols
        optional = header + 24
        directories = optional + (112 if struct.unpack_from("<H", data, optional)[0] == 0x20B else 96)
        self.export_rva = struct.unpack_from("<I", data, directories)[0]
        self.sections, self.spans = [], []
        for i in range(count):
            entry = header + 24 + optional_size + 40 * i
            self.spans.append(struct.unpack_from("<III", data, entry + 12))
            raw = data[entry:][:8].rstrip(b"\0").decode("ascii")
            if raw.startswith("/"):  # a long name lives in the string table after the symbols
                start = strings + int(raw[1:])
                raw = data[start:data.index(b"\0", start)].decode("ascii")
            self.sections.append(raw)

    def offset(self, rva):
        """The file offset of a relative virtual address."""
        for start, size, raw in self.spans:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError(f"RVA {rva:#x} lies in no section")

    def export_names(self):
        """The names of the export directory, as the host's GetProcAddress looks them up."""
        if not self.export_rva:
            return set()
        count, _, names = struct.unpack_from("<III", self.data, self.offset(self.export_rva) + 24)
        at = self.offset(names)
        starts = [self.offset(rva) for rva in struct.unpack_from(f"<{count}I", self.data, at)]
        return {self.data[o:self.data.index(b"\0", o)].decode("ascii") for o in starts}

    def fixed_version(self):
        """FileVersion and ProductVersion of VS_FIXEDFILEINFO, as (a, b, c, d) tuples."""
        at = self.data.index(struct.pack("<I", 0xFEEF04BD))
        file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<IIII", self.data, at + 8)
        split = lambda ms, ls: (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
        return split(file_ms, file_ls), split(product_ms, product_ls)

    def version_string(self, key):
        """A value of the version resource's string table."""
        name = (key + "\0").encode("utf-16-le")
        at = self.data.index(name) + len(name)
        while self.data[at:at + 2] == b"\0\0":  # padding to the value's 32-bit boundary
            at += 2
        end = at
        while self.data[end:end + 2] != b"\0\0":
            end += 2
        return self.data[at:end].decode("utf-16-le")


def read(path):
    with open(path, "rb") as f:
        return f.read()


class ReleaseArchive(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.version = project_version()
        cls.path = os.path.join(DIST, f"Tallyfold-{cls.version}.zip")
        if not os.path.isfile(cls.path):
            raise FileNotFoundError(f"{cls.path} is missing: make release builds it")
        with zipfile.ZipFile(cls.path) as archive:
            cls.infos = archive.infolist()
            cls.files = {i.filename: archive.read(i) for i in cls.infos}

    def test_holds_exactly_the_release_files_at_its_top_level(self):
        self.assertEqual([i.filename for i in self.infos], SHIPPED)
        for info in self.infos:
            self.assertFalse(info.is_dir(), info.filename)
            self.assertEqual(self.files[info.filename], read(os.path.join(DIST, info.filename)),
                             f"{info.filename} differs from the one the build left in dist/")

    def test_modules_are_stripped_builds_of_their_bitness_with_symbols_left_in_the_build_tree(self):
        for name, (machine, tree) in MODULES.items():
            with self.subTest(name):
                module = Pe(self.files[name])
                self.assertEqual(module.machine, machine)
                self.assertEqual(module.symbols, 0, "a symbol table is shipped")
                self.assertEqual([s for s in module.sections if s.startswith(".debug")], [])
                # A time in the header would make every build's bytes differ.
                self.assertEqual(module.timestamp, 0)
                debug = Pe(read(os.path.join(ROOT, "build", tree, "wfx", name + ".debug")))
                self.assertGreater(debug.symbols, 1000, "the build tree keeps the symbols")
                self.assertIn(".debug_info", debug.sections)

    def test_both_modules_export_the_same_undecorated_names(self):
        # The module's own test checks the 64-bit exports name for name; this one holds the 32-bit
        # module to them without running it, where its stdcall names could come out decorated.
        wide, narrow = (Pe(self.files[n]).export_names() for n in ("Tallyfold.wfx64", "Tallyfold.wfx"))
        self.assertEqual(len(wide), 41)
        self.assertEqual(narrow, wide)

    def test_install_description_names_the_module_and_the_modules_version(self):
        text = self.files["pluginst.inf"].decode("ascii")
        self.assertTrue(text.endswith("\r\n"), "Windows line ends")
        self.assertEqual(len(text.splitlines()), 1 + len(INF_KEYS), "one line for each key")
        inf = configparser.ConfigParser(interpolation=None)
        inf.read_string(text)
        self.assertEqual(inf.sections(), ["plugininstall"])
        keys = inf["plugininstall"]
        self.assertEqual(list(keys), INF_KEYS)
        self.assertEqual(keys["type"], "wfx")
        self.assertEqual(keys["file"], "Tallyfold.wfx")
        self.assertEqual(keys["defaultdir"], "Tallyfold")
        self.assertTrue(keys["description"].startswith("Tallyfold"))
        # The host finds the 64-bit module beside the named one by its extension.
        self.assertIn(keys["file"], self.files)
        self.assertIn(keys["file"] + "64", self.files)
        self.assertEqual(keys["version"], self.version)
        numbers = tuple(int(n) for n in self.version.split("."))
        numbers += (0,) * (4 - len(numbers))
        for name in MODULES:
            with self.subTest(name):
                module = Pe(self.files[name])
                self.assertEqual(module.version_string("FileVersion"), keys["version"])
                self.assertEqual(module.version_string("ProductVersion"), keys["version"])
                self.assertEqual(module.fixed_version(), (numbers, numbers))

    def test_readmes_name_this_version_and_tell_how_to_install_and_uninstall(self):
        readme = self.files["readme.txt"].decode("ascii")
        self.assertNotIn("\n", readme.replace("\r\n", ""), "Windows line ends")
        self.assertIn(f"Tallyfold {self.version}", readme)
        self.assertIn(os.path.basename(self.path), readme)
        for placeholder in ["%F", "%L", "%P", "%D", "%B", "%X", "%S", "%E", "%C", "%%"]:
            self.assertIn(placeholder, readme)
        self.assertIn("img<0001-100>.png", readme)
        self.assertIn("Uninstalling", readme)
        with open(os.path.join(ROOT, "README.md"), encoding="utf-8") as f:
            self.assertTrue(os.path.basename(self.path) in f.read(), "README.md names this release")

    def test_packing_again_gives_the_same_bytes(self):
        # Later and in another time zone: no entry may carry the time of packing or the zone.
        time.sleep(1.1)
        with tempfile.TemporaryDirectory() as out:
            subprocess.run([sys.executable, os.path.join(ROOT, "scripts", "release")], check=True,
                           stdout=subprocess.DEVNULL, env=dict(os.environ, TF_RELEASE_OUT=out, TZ="Pacific/Auckland"))
            again = read(os.path.join(out, os.path.basename(self.path)))
        self.assertEqual(again, read(self.path))


if __name__ == "__main__":
    unittest.main(verbosity=2)
