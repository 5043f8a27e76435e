"""Check the release package in a release build directory.

Usage: check_package.py --release-dir DIR --version 1.00 --source-dir DIR

Checks the zip's members, the readme's encoding and line ends, that the zip
holds the very hazuro.exe of that build, that SHA256SUMS verifies, and that
the zip is made again byte for byte (and is current with the readme source).
Prints 'N passed, N failed' and exits non-zero on any failure.
"""
import argparse
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import make_package  # noqa: E402

EXPECTED_MEMBERS = ["hazuro/", "hazuro/hazuro.exe", "hazuro/readme.txt"]


class Checks:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def run(self, name, check):
        try:
            check()
        except AssertionError as e:
            self.failed += 1
            print(f"FAIL {name}: {e}")
            return
        self.passed += 1
        print(f"ok   {name}")


def read(path):
    with open(path, "rb") as f:
        return f.read()


def main(argv):
    parser = argparse.ArgumentParser()
    parser.add_argument("--release-dir", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--source-dir", required=True)
    args = parser.parse_args(argv)

    release = args.release_dir
    zip_name = f"hazuro-{args.version}.zip"
    zip_path = os.path.join(release, zip_name)
    exe_path = os.path.join(release, "hazuro.exe")
    template = os.path.join(args.source_dir, "dist", "readme.txt.in")
    for path in (zip_path, exe_path):
        if not os.path.isfile(path):
            print(f"FAIL {path} is missing: build the release first "
                  "(cmake --preset release && cmake --build --preset release)")
            print("0 passed, 1 failed")
            return 1

    zip_data = read(zip_path)
    exe = read(exe_path)
    archive = zipfile.ZipFile(zip_path)
    checks = Checks()

    def members():
        names = archive.namelist()
        assert names == EXPECTED_MEMBERS, f"members {names}, expected {EXPECTED_MEMBERS}"
        assert archive.testzip() is None, "a member fails its CRC"
        assert archive.getinfo("hazuro/").external_attr & 0x10, "hazuro/ is not marked a folder"

    def executable():
        assert archive.read("hazuro/hazuro.exe") == exe, \
            f"hazuro/hazuro.exe differs from {exe_path}: the package is stale"
        title = b"hazuro Ver" + args.version.encode()
        assert title in exe, f"the program's title is not '{title.decode()}'"

    def readme():
        data = archive.read("hazuro/readme.txt")
        try:
            text = data.decode("cp932")
        except UnicodeDecodeError as e:
            raise AssertionError(f"readme.txt is not code page 932: {e}")
        bare = re.search(rb"\r(?!\n)|(?<!\r)\n", data)
        assert bare is None, f"bare CR or LF at byte {bare.start() if bare else 0}"
        assert data.endswith(b"\r\n"), "readme.txt does not end with CRLF"
        assert not data.startswith(b"\xef\xbb\xbf"), "readme.txt starts with a UTF-8 BOM"
        assert f"hazuro Ver{args.version}" in text, "the readme does not name this version"
        assert "@VERSION@" not in text, "a placeholder was left in the readme"
        assert data == make_package.readme_bytes(read(template), args.version), \
            "readme.txt is not made from the current dist/readme.txt.in"

    def sums():
        listed = {}
        with open(os.path.join(release, "SHA256SUMS"), "rb") as f:
            for line in f.read().decode("ascii").split("\n")[:-1]:
                digest, name = line.split("  ", 1)
                listed[name] = digest
        expected = {zip_name: hashlib.sha256(zip_data).hexdigest(),
                    "hazuro/hazuro.exe": hashlib.sha256(exe).hexdigest()}
        assert listed == expected, f"SHA256SUMS lists {listed}, expected {expected}"
        # What the readme tells users to run, beside the unpacked folder.
        result = subprocess.run(["sha256sum", "--strict", "-c", "SHA256SUMS"], cwd=release,
                                capture_output=True, text=True)
        assert result.returncode == 0, f"sha256sum -c: {result.stdout}{result.stderr}"

    def reproducible():
        # Made again from the same inputs under other file dates, modes, umask
        # and time zone, the zip must come out the same bytes, and the same
        # as the shipped one when given its date.
        dates = {archive.getinfo(n).date_time for n in EXPECTED_MEMBERS}
        assert len(dates) == 1, f"members carry different dates {sorted(dates)}"
        epoch = make_package.epoch_of_zip_date_time(dates.pop())
        made = []
        for tz, umask, mtime, mode in (("UTC", 0o022, 0, 0o644),
                                       ("Asia/Tokyo", 0o077, 2000000000, 0o755)):
            with tempfile.TemporaryDirectory() as tmp:
                exe_copy = os.path.join(tmp, "in.exe")
                readme_copy = os.path.join(tmp, "in.txt")
                shutil.copyfile(exe_path, exe_copy)
                shutil.copyfile(template, readme_copy)
                for path in (exe_copy, readme_copy):
                    os.chmod(path, mode)
                    os.utime(path, (mtime, mtime))
                out = os.path.join(tmp, "out")
                env = dict(os.environ, TZ=tz)
                env.pop("SOURCE_DATE_EPOCH", None)
                subprocess.run(
                    ["sh", "-c", f"umask {umask:o} && exec \"$@\"", "sh", sys.executable,
                     make_package.__file__, "--exe", exe_copy, "--readme", readme_copy,
                     "--version", args.version, "--out-dir", out,
                     "--source-date-epoch", str(epoch)],
                    env=env, check=True, capture_output=True)
                made.append(read(os.path.join(out, zip_name)))
        assert made[0] == made[1], "two builds of the zip differ"
        assert made[0] == zip_data, "the zip made again differs from the shipped one"

    def dated_by_source():
        epoch, origin = make_package.source_date_epoch(args.source_dir)
        date = archive.getinfo("hazuro/").date_time
        assert date == make_package.zip_date_time(epoch), \
            (f"members dated {date}, not with {origin} {make_package.zip_date_time(epoch)}:"
             " rebuild the release")

    checks.run("zip members", members)
    checks.run("executable is the release build's", executable)
    checks.run("readme is code page 932 with CRLF", readme)
    checks.run("SHA256SUMS", sums)
    checks.run("zip is reproducible", reproducible)
    checks.run("zip is dated by the source, not the build", dated_by_source)
    print(f"{checks.passed} passed, {checks.failed} failed")
    return 1 if checks.failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
