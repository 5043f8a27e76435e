"""Make the release package: hazuro-VERSION.zip holding hazuro/hazuro.exe and
hazuro/readme.txt, the same two files unpacked in OUT_DIR/hazuro/, and
OUT_DIR/SHA256SUMS for the zip and hazuro/hazuro.exe.

Usage: make_package.py --exe EXE --readme TEMPLATE --version 1.00 --out-dir DIR
                       [--source-dir DIR] [--source-date-epoch SECONDS]

The zip is the same bytes every time for the same inputs: fixed member order,
attributes and compression level, no extra fields, and every member dated
with the source's date (--source-date-epoch, else SOURCE_DATE_EPOCH, else the
commit time of --source-dir's HEAD, else 2000-01-01), never the build time.
Files whose bytes would not change are left untouched.
"""
import argparse
import calendar
import hashlib
import io
import os
import subprocess
import sys
import time
import unicodedata
import zipfile

FOLDER = "hazuro/"
FALLBACK_EPOCH = 946684800  # 2000-01-01 00:00:00 UTC
# Zip times carry no zone and are shown as they are; the readers are in Japan.
JST_OFFSET = 9 * 3600
MAX_COLUMNS = 76  # Notepad does not wrap unless asked to


class PackageError(Exception):
    pass


def readme_bytes(template, version):
    """The readme as Notepad on Japanese Windows wants it: code page 932, CRLF."""
    try:
        text = template.decode("utf-8")
    except UnicodeDecodeError as e:
        raise PackageError(f"readme template is not UTF-8: {e}")
    text = text.lstrip("\ufeff").replace("\r\n", "\n")
    text = text.replace("@VERSION@", version)
    lines = text.split("\n")
    if lines[-1] == "":
        lines.pop()
    out = []
    for number, line in enumerate(lines, 1):
        columns = 0
        for c in line:
            columns += check_character(c, number)
        if columns > MAX_COLUMNS:
            raise PackageError(f"readme line {number} is {columns} columns wide, over {MAX_COLUMNS}")
        out.append(line.encode("cp932"))
    return b"\r\n".join(out) + b"\r\n"


def check_character(c, line):
    """Columns taken by c; refuses what Notepad could show otherwise than meant."""
    if " " <= c <= "~":
        return 1
    name = unicodedata.name(c, hex(ord(c)))
    # Characters outside JIS X 0208 (half-width katakana, NEC and IBM
    # extensions) and those whose code page 932 mapping differs from the JIS
    # one (the wave dash and its kin) fail one of these.
    try:
        encoded = c.encode("cp932")
        same = (len(encoded) == 2 and encoded.decode("cp932") == c
                and c.encode("shift_jis") == encoded)
    except UnicodeError:
        same = False
    if not same:
        raise PackageError(f"readme line {line}: {name} has no unambiguous code page 932 form")
    return 2


def source_date_epoch(source_dir, given=None):
    """Seconds since 1970 for the members' dates, and where they came from."""
    if given is not None:
        return int(given), "--source-date-epoch"
    if os.environ.get("SOURCE_DATE_EPOCH"):
        return int(os.environ["SOURCE_DATE_EPOCH"]), "SOURCE_DATE_EPOCH"
    if source_dir:
        try:
            result = subprocess.run(["git", "-C", source_dir, "log", "-1", "--format=%ct"],
                                    capture_output=True, text=True, timeout=30)
            if result.returncode == 0 and result.stdout.strip():
                return int(result.stdout.strip()), "the commit time of HEAD"
        except (OSError, subprocess.SubprocessError):
            pass
    return FALLBACK_EPOCH, "the fallback date (no commit found)"


def zip_date_time(epoch):
    t = time.gmtime(epoch + JST_OFFSET)
    # The zip format has no dates before 1980, and no odd seconds.
    return max((t.tm_year, t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec - t.tm_sec % 2),
               (1980, 1, 1, 0, 0, 0))


def epoch_of_zip_date_time(date_time):
    """The inverse of zip_date_time, for dates it can give."""
    return calendar.timegm(tuple(date_time) + (0, 0, 0)) - JST_OFFSET


def _member(name, date_time, is_folder):
    info = zipfile.ZipInfo(name, date_time=date_time)
    info.create_system = 0  # MS-DOS attributes, as a zip made on Windows has
    info.external_attr = 0x10 if is_folder else 0x20  # directory / archive
    info.compress_type = zipfile.ZIP_STORED if is_folder else zipfile.ZIP_DEFLATED
    return info


def zip_bytes(exe, readme, epoch):
    date_time = zip_date_time(epoch)
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as archive:
        archive.writestr(_member(FOLDER, date_time, True), b"")
        archive.writestr(_member(FOLDER + "hazuro.exe", date_time, False), exe, compresslevel=9)
        archive.writestr(_member(FOLDER + "readme.txt", date_time, False), readme, compresslevel=9)
    return buffer.getvalue()


def sums_text(zip_name, zip_data, exe):
    return "".join(f"{hashlib.sha256(data).hexdigest()}  {name}\n"
                   for name, data in ((zip_name, zip_data), (FOLDER + "hazuro.exe", exe)))


def write_if_changed(path, data):
    try:
        with open(path, "rb") as f:
            if f.read() == data:
                return
    except FileNotFoundError:
        pass
    partial = path + ".partial"
    with open(partial, "wb") as f:
        f.write(data)
    os.replace(partial, path)


def make_package(exe_path, readme_template_path, version, out_dir, source_dir=None,
                 given_epoch=None):
    """Writes the package into out_dir; returns the zip's path and where its date came from."""
    with open(exe_path, "rb") as f:
        exe = f.read()
    with open(readme_template_path, "rb") as f:
        readme = readme_bytes(f.read(), version)
    epoch, origin = source_date_epoch(source_dir, given_epoch)
    zip_name = f"hazuro-{version}.zip"
    data = zip_bytes(exe, readme, epoch)

    folder = os.path.join(out_dir, FOLDER)
    os.makedirs(folder, exist_ok=True)
    write_if_changed(os.path.join(folder, "hazuro.exe"), exe)
    write_if_changed(os.path.join(folder, "readme.txt"), readme)
    zip_path = os.path.join(out_dir, zip_name)
    write_if_changed(zip_path, data)
    write_if_changed(os.path.join(out_dir, "SHA256SUMS"), sums_text(zip_name, data, exe).encode())
    return zip_path, origin


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--exe", required=True)
    parser.add_argument("--readme", required=True, help="UTF-8 readme template")
    parser.add_argument("--version", required=True)
    parser.add_argument("--out-dir", required=True)
    parser.add_argument("--source-dir")
    parser.add_argument("--source-date-epoch", type=int)
    args = parser.parse_args(argv)
    try:
        zip_path, origin = make_package(args.exe, args.readme, args.version, args.out_dir,
                                        args.source_dir, args.source_date_epoch)
    except (PackageError, OSError) as e:
        sys.exit(f"make_package: {e}")
    print(f"make_package: {zip_path}, dated with {origin}")


if __name__ == "__main__":
    main(sys.argv[1:])
