#!/usr/bin/env python3
"""The release zip as a Windows user gets it: unpacked into a fresh folder, its files checked against
the SDK's (the loader byte for byte), trov.exe read from the file (imports, resources, size), then
started under Wine, where no WebView2 Runtime is installed, with the zip's own WebView2Loader.dll:
the window works without a page. The development engine, put where the loader goes, then shows a
first page with the user data moved out of the program's folder when that cannot hold it.

    package_smoke.py --zip dist/trov-VERSION-win64.zip --version VERSION --bin build/bin --sdk PACKAGE

--bin is the development build: its trov.exe has the import table the release must have, and its
engine and inspector drive the run. --sdk is the unpacked Microsoft.Web.WebView2 package. Needs
DISPLAY and the display's Wine prefix (scripts/test)."""

import argparse
import base64
import contextlib
import hashlib
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
sys.dont_write_bytecode = True  # no __pycache__ in the source tree

import trov_e2e  # noqa: E402

SIZE_BUDGET = 288 * 1024
RT_VERSION, RT_MANIFEST = 16, 24
EN_US = 1033
ARGS = None


# ---------------------------------------------------------------------------------------------
# A PE32+ file, read from its bytes


class PeFile:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not an MZ file")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        if struct.unpack_from("<H", data, optional)[0] != 0x20B:
            raise ValueError("not PE32+")
        self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
        self.directories = [struct.unpack_from("<II", data, optional + 112 + 8 * i) for i in range(16)]
        self.sections = []
        for i in range(sections):
            at = optional + optional_size + 40 * i
            name = data[at:at + 8].rstrip(b"\0").decode("ascii", "replace")
            virtual_size, rva, raw_size, raw_at = struct.unpack_from("<IIII", data, at + 8)
            self.sections.append((name, rva, max(virtual_size, raw_size), raw_at))

    def offset(self, rva):
        for _, start, size, raw_at in self.sections:
            if start <= rva < start + size:
                return raw_at + rva - start
        raise ValueError(f"RVA {rva:#x} is in no section")

    def c_string(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def imports(self):
        """{dll name in lower case: [imported names]}"""
        result = {}
        at = self.offset(self.directories[1][0])
        while True:
            lookup, _, _, name, first_thunk = struct.unpack_from("<IIIII", self.data, at)
            if not name:
                return result
            names = result.setdefault(self.c_string(name).lower(), [])
            thunk = self.offset(lookup or first_thunk)
            while True:
                entry = struct.unpack_from("<Q", self.data, thunk)[0]
                if not entry:
                    break
                names.append(f"#{entry & 0xFFFF}" if entry >> 63 else self.c_string((entry & 0x7FFFFFFF) + 2))
                thunk += 8
            at += 20

    def resources(self):
        """{(type, name, language): bytes}; string names are left out (the browser has none)."""
        base = self.offset(self.directories[2][0])

        def entries(directory):
            named, numbered = struct.unpack_from("<HH", self.data, base + directory + 12)
            for i in range(named + numbered):
                key, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)
                yield (None if key >> 31 else key), target

        found = {}
        for kind, names in entries(0):
            for name, languages in entries(names & 0x7FFFFFFF):
                for language, leaf in entries(languages & 0x7FFFFFFF):
                    rva, size = struct.unpack_from("<II", self.data, base + leaf)
                    found[(kind, name, language)] = self.data[self.offset(rva):self.offset(rva) + size]
        return found


def version_nodes(data, at=0):
    """One VS_VERSIONINFO-style node: (key, value bytes, value type, [children])."""
    length, value_length, value_type = struct.unpack_from("<HHH", data, at)
    key_end = at + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[at + 6:key_end].decode("utf-16-le")
    value_at = (key_end + 2 + 3) & ~3
    value_size = value_length * 2 if value_type == 1 else value_length
    value = data[value_at:value_at + value_size]
    children, child = [], (value_at + value_size + 3) & ~3
    while child < at + length:
        node = version_nodes(data, child)
        children.append(node)
        child = (child + struct.unpack_from("<H", data, child)[0] + 3) & ~3
    return key, value, value_type, children


def read_version(resource):
    """(fixed file version, fixed product version, {table: {name: text}}, [(language, code page)])"""
    key, fixed, _, children = version_nodes(resource)
    if key != "VS_VERSION_INFO" or struct.unpack_from("<I", fixed)[0] != 0xFEEF04BD:
        raise ValueError("not a version resource")
    ms, ls, product_ms, product_ls = struct.unpack_from("<IIII", fixed, 8)
    split = lambda high, low: (high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF)  # noqa: E731
    tables, translations = {}, []
    for name, _, _, blocks in children:
        for block_key, value, _, strings in blocks:
            if name == "StringFileInfo":
                tables[block_key] = {k: v.decode("utf-16-le").rstrip("\0") for k, v, _, _ in strings}
            elif name == "VarFileInfo" and block_key == "Translation":
                translations += [struct.unpack_from("<HH", value, i) for i in range(0, len(value), 4)]
    return split(ms, ls), split(product_ms, product_ls), tables, translations


# ---------------------------------------------------------------------------------------------
# The package


class PackageSmokeTest(unittest.TestCase):
    maxDiff = None

    @classmethod
    def setUpClass(cls):
        cls.folder = Path(tempfile.mkdtemp(prefix="trov-package-"))
        cls.addClassCleanup(shutil.rmtree, cls.folder, ignore_errors=True)
        with zipfile.ZipFile(ARGS.zip) as archive:
            cls.names = sorted(archive.namelist())
            cls.modes = {info.filename: info.external_attr >> 16 & 0o777 for info in archive.infolist()}
            archive.extractall(cls.folder)
        # "Extract here" gives one folder named for the release, the files inside it.
        cls.release = f"trov-{ARGS.version}-win64"
        cls.folder = cls.folder / cls.release
        cls.exe_bytes = (cls.folder / "trov.exe").read_bytes()
        cls.exe = PeFile(cls.exe_bytes)

    def test_1_the_zip_holds_the_program_microsofts_loader_its_licence_and_a_readme(self):
        files = ["LICENSE-WebView2Loader.txt", "README.txt", "WebView2Loader.dll", "trov.exe"]
        self.assertEqual(self.names, [f"{self.release}/{name}" for name in files])
        sdk = Path(ARGS.sdk)
        self.assertEqual((self.folder / "WebView2Loader.dll").read_bytes(),
                         (sdk / "build/native/x64/WebView2Loader.dll").read_bytes(), "not the SDK's x64 loader")
        texts = {}
        for name in ("README.txt", "LICENSE-WebView2Loader.txt"):
            self.assertEqual(oct(self.modes[f"{self.release}/{name}"]), oct(0o644),
                             f"{name} would not be readable by everyone")
            data = (self.folder / name).read_bytes()
            self.assertEqual(data.count(b"\n"), data.count(b"\r\n"), f"{name} has line ends other than CRLF")
            texts[name] = data.decode("utf-8-sig").replace("\r\n", "\n")
        licence = (sdk / "LICENSE.txt").read_text(encoding="utf-8").replace("\r\n", "\n")
        self.assertEqual(texts["LICENSE-WebView2Loader.txt"].strip(), licence.strip())
        # Notepad of older Windows reads the Chinese labels only behind the UTF-8 byte-order mark.
        self.assertEqual((self.folder / "README.txt").read_bytes()[:3], b"\xef\xbb\xbf")
        for needed in ("WebView2 Runtime", "trov.exe.WebView2", "%LOCALAPPDATA%\\Trov Browser\\WebView2",
                       "关于 Trov", "Ctrl+W", ARGS.version, self.release, "DuckDuckGo", "localhost:8080",
                       "http://localhost:8080", "SmartScreen", '"More info"', '"Run anyway"', "Escape", "F11"):
            self.assertIn(needed, texts["README.txt"])
        self.assertNotIn("ftp://", texts["README.txt"], "the engine has no FTP")

    def test_2_the_program_from_its_file(self):
        self.assertLessEqual(len(self.exe_bytes), SIZE_BUDGET, "trov.exe is over its size budget")
        self.assertEqual((self.exe.machine, self.exe.subsystem), (0x8664, 2), "not an x86-64 GUI program")
        self.assertEqual([name for name, *_ in self.exe.sections if name.startswith(("/", ".debug"))], [],
                         "trov.exe is not stripped")

        development = PeFile((Path(ARGS.bin) / "trov.exe").read_bytes())
        imports = self.exe.imports()
        self.assertEqual(imports.get("webview2loader.dll"), ["CreateCoreWebView2EnvironmentWithOptions"])
        self.assertEqual(imports, development.imports(), "the import table differs from the development build's")

        resources = self.exe.resources()
        self.assertEqual(sorted(key for key in resources if key[0] in (RT_VERSION, RT_MANIFEST)),
                         [(RT_VERSION, 1, EN_US), (RT_MANIFEST, 1, EN_US)])
        self.assertIn(b"SegmentHeap", resources[(RT_MANIFEST, 1, EN_US)])

        numbers = tuple(int(part) for part in ARGS.version.split(".")) + (0,)
        file_version, product_version, tables, translations = read_version(resources[(RT_VERSION, 1, EN_US)])
        self.assertEqual((file_version, product_version), (numbers, numbers))
        self.assertEqual(translations, [(0x0409, 1200)])
        self.assertEqual(tables, {"040904b0": {
            "FileDescription": "Trov Browser", "ProductName": "Trov Browser", "FileVersion": ARGS.version,
            "ProductVersion": ARGS.version, "OriginalFilename": "trov.exe", "InternalName": "trov"}})

    @contextlib.contextmanager
    def running(self, name, folder, engine_env=None):
        """trov.exe started from the folder; the screen and the log are kept if the block fails."""
        trov = trov_e2e.Trov(name, engine_env)
        trov.bin = folder
        self.addCleanup(trov.stop)
        try:
            trov.start()
            yield trov
        except Exception:
            trov_e2e.save_artifacts(trov, f"package-{name}")
            raise

    def test_3_without_a_runtime_microsofts_loader_leaves_the_window_working(self):
        empty = self.folder.parent / f"{self.folder.name}-no-browser"
        empty.mkdir()
        self.addCleanup(shutil.rmtree, empty, ignore_errors=True)
        for name, engine_env in (("real-loader", None),
                                 ("empty-browser-folder",
                                  {"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER": trov_e2e.windows_path(empty)})):
            with self.subTest(name):
                with self.running(name, self.folder, engine_env) as trov:
                    trov_e2e.check_works_without_engine(self, trov)
                    trov.click_slot("close")
                    self.assertEqual(trov.wait_exit(20), 0)
                self.assertFalse((self.folder / "trov.exe.WebView2").exists(),
                                 "a data folder left beside the program by an engine that never started")

    def test_4_where_the_data_folder_cannot_be_written_beside_it_the_engine_gets_one_of_the_persons(self):
        """A file in the way, and a folder that exists but takes no file (as one an administrator made
        under C:\\Program Files): the tests run as root, so the folder is a link to a read-only pseudo
        file system, which Wine shows as a folder where making a file fails. A stub oleacc.dll beside
        the program is never loaded: the reader still gets the named buttons."""
        for name, make_obstacle in (("file-in-the-way", lambda path: path.write_text("in the way")),
                                    ("unwritable-folder", lambda path: path.symlink_to("/proc/1"))):
            with self.subTest(name):
                folder = self.folder.parent / f"{self.folder.name}-{name}"
                folder.mkdir()
                self.addCleanup(shutil.rmtree, folder, ignore_errors=True)
                shutil.copy2(self.folder / "trov.exe", folder)
                shutil.copy2(Path(ARGS.bin) / "WebView2Loader.dll", folder)
                shutil.copy2(Path(ARGS.bin) / "WebView2Loader.dll", folder / "oleacc.dll")
                make_obstacle(folder / "trov.exe.WebView2")
                with self.running(name, folder) as trov:
                    first = trov.wait_log(f"NavigationCompleted {trov_e2e.HOME_URL}", 0, timeout=30)[0]
                    prefix = "CreateCoreWebView2EnvironmentWithOptions null "
                    self.assertTrue(first.startswith(prefix)
                                    and first.endswith("\\AppData\\Local\\Trov Browser\\WebView2"), first)
                    trov_e2e.wait_until(lambda: trov.info().get("page"), 5, "the page shown")
                    names = {child["name"] for child in trov.accessible()}
                    self.assertTrue({"后退", "地址栏", "关闭"} <= names, names)
                    # Wine maps each module it loads from its file: the program's own is there, the stub not.
                    mapped = Path(f"/proc/{trov.process.pid}/maps").read_text(errors="replace")
                    self.assertIn(str(folder / "trov.exe"), mapped)
                    self.assertNotIn(str(folder / "oleacc.dll"), mapped)
                    trov.click_slot("close")
                    self.assertEqual(trov.wait_exit(20), 0)
                self.assertTrue((folder / "trov.exe.WebView2").is_symlink() or
                                (folder / "trov.exe.WebView2").is_file(), "the obstacle was replaced")


class SetupCheckTest(unittest.TestCase):
    """scripts/setup's check of the SDK package against its pin, run on a copy in a temporary folder
    (TROV_SETUP_DEPS): nothing is fetched or installed."""

    def run_setup(self, sha512):
        sdk = Path(ARGS.sdk)
        deps = Path(tempfile.mkdtemp(prefix="trov-setup-"))
        self.addCleanup(shutil.rmtree, deps, ignore_errors=True)
        package = deps / "packages/microsoft.web.webview2" / sdk.name
        package.mkdir(parents=True)
        nupkg = f"microsoft.web.webview2.{sdk.name}.nupkg"
        shutil.copy2(sdk / nupkg, package / nupkg)
        (deps / "webview2.pin").write_text(f"{sdk.name} {sha512}\n")
        setup = HERE.parent.parent / "scripts/setup"
        done = subprocess.run([str(setup)], env={**os.environ, "TROV_SETUP_DEPS": str(deps)},
                              capture_output=True, text=True, timeout=60)
        return done, package

    def test_a_tampered_pin_stops_setup_and_removes_the_package(self):
        sdk = Path(ARGS.sdk)
        real = base64.b64encode(hashlib.sha512((sdk / f"microsoft.web.webview2.{sdk.name}.nupkg")
                                               .read_bytes()).digest()).decode()
        done, package = self.run_setup(real)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertTrue(package.is_dir(), "a matching package was removed")
        tampered = ("A" if real[0] != "A" else "B") + real[1:]
        done, package = self.run_setup(tampered)
        self.assertNotEqual(done.returncode, 0)
        self.assertFalse(package.exists(), "the package that does not match its pin was kept")
        self.assertIn("does not match", done.stderr)


def main():
    global ARGS
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--zip", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--bin", required=True, help="the development build's bin directory")
    parser.add_argument("--sdk", required=True, help="the unpacked Microsoft.Web.WebView2 package")
    ARGS = parser.parse_args()
    if not Path(ARGS.zip).exists():
        print(f"package: {ARGS.zip} is missing: run scripts/package", file=sys.stderr)
        return 2
    bin_dir = Path(ARGS.bin).resolve()
    trov_e2e.CONFIG["bin"] = str(bin_dir)
    trov_e2e.CONFIG["artifacts"] = str(bin_dir.parent / "e2e-artifacts")
    trov_e2e.warm_up_wine()
    loader = unittest.TestLoader()
    suite = unittest.TestSuite([loader.loadTestsFromTestCase(SetupCheckTest),
                                loader.loadTestsFromTestCase(PackageSmokeTest)])
    result = unittest.TextTestRunner(verbosity=2, stream=sys.stdout).run(suite)
    return 0 if result.wasSuccessful() and result.testsRun else 1


if __name__ == "__main__":
    sys.exit(main())
