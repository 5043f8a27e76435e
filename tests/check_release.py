"""Check the release hazuro.exe: loadable by Windows 2000 through 11, and
shipping the resources it should.
Usage: check_release.py HAZURO.EXE ALLOWED_IMPORTS.txt
Prints a summary and exits 0, or prints every problem and exits 1.
Stdlib only: the check runs on the Linux build machine."""
import struct
import sys
import textwrap
import xml.etree.ElementTree as ET

SIZE_LIMIT = 28 * 1024
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll"}
LANG_EN_US = 1033
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
DIR_IMPORT, DIR_RESOURCE, DIR_RELOC, DIR_DEBUG, DIR_DELAY_IMPORT = 1, 2, 5, 6, 13
DYNAMIC_BASE, RELOCS_STRIPPED = 0x0040, 0x0001


class Malformed(Exception):
    pass


class Image:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ" or len(data) < 0x40:
            raise Malformed("no MZ header")
        pe = self.u32(0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise Malformed("no PE signature")
        (self.machine, count, self.timestamp, self.symbols, self.symbol_count,
         opt_size, self.characteristics) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        opt = pe + 24
        self.magic = self.u16(opt)
        if self.magic != 0x10B:
            # PE32+ lays out the rest of the header differently.
            raise Malformed("optional header magic 0x%X, not PE32 (0x10B)" % self.magic)
        self.os_version = struct.unpack_from("<HH", data, opt + 40)
        self.subsystem_version = struct.unpack_from("<HH", data, opt + 48)
        self.subsystem, self.dll_characteristics = struct.unpack_from("<HH", data, opt + 68)
        dir_count = self.u32(opt + 92)
        self.directories = [struct.unpack_from("<II", data, opt + 96 + 8 * i)
                            for i in range(min(dir_count, 16))]
        self.directories += [(0, 0)] * (16 - len(self.directories))
        self.sections = []
        for i in range(count):
            name, vsize, va, raw_size, raw_ptr = struct.unpack_from(
                "<8sIIII", data, opt + opt_size + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode("ascii", "replace"),
                                  vsize, va, raw_size, raw_ptr))

    def u16(self, off):
        return struct.unpack_from("<H", self.data, off)[0]

    def u32(self, off):
        return struct.unpack_from("<I", self.data, off)[0]

    def offset(self, rva):
        for _, _, va, raw_size, raw_ptr in self.sections:
            if va <= rva < va + raw_size:
                return raw_ptr + rva - va
        raise Malformed("RVA 0x%X lies outside the file's sections" % rva)

    def read(self, rva, size):
        off = self.offset(rva)
        if off + size > len(self.data):
            raise Malformed("RVA 0x%X + %d runs past the end of the file" % (rva, size))
        return self.data[off:off + size]

    def cstr(self, rva):
        off = self.offset(rva)
        end = self.data.find(b"\0", off)
        if end < 0:
            raise Malformed("unterminated string at RVA 0x%X" % rva)
        return self.data[off:end].decode("ascii", "replace")


def read_allow_list(path, problems):
    allowed = set()
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            parts = line.split()
            if len(parts) != 2:
                problems.append("%s:%d: expected 'DLL FUNCTION', got %r" % (path, number, line))
                continue
            allowed.add((parts[0].lower(), parts[1]))
    return allowed


def read_imports(img, problems):
    """[(dll, [function names])] in file order."""
    imports = []
    rva, size = img.directories[DIR_IMPORT]
    if not size:
        return imports
    while True:
        first_original, _, _, name_rva, first = struct.unpack("<IIIII", img.read(rva, 20))
        if not (first_original or name_rva or first):
            break
        dll = img.cstr(name_rva)
        names = []
        thunk = first_original or first
        while True:
            entry = struct.unpack("<I", img.read(thunk, 4))[0]
            if not entry:
                break
            if entry & 0x80000000:
                # Ordinals differ between Windows versions; only names are stable.
                problems.append("%s is imported by ordinal %d" % (dll, entry & 0xFFFF))
            else:
                names.append(img.cstr(entry + 2))
            thunk += 4
        imports.append((dll, names))
        rva += 20
    return imports


def check_headers(img, size, problems):
    if size > SIZE_LIMIT:
        problems.append("file is %d bytes, over the %d byte limit" % (size, SIZE_LIMIT))
    if img.machine != 0x14C:
        problems.append("machine 0x%X, not i386 (0x14C)" % img.machine)
    if img.subsystem != 2:
        problems.append("subsystem %d, not Windows GUI (2)" % img.subsystem)
    if img.subsystem_version > (5, 0):
        problems.append("subsystem version %d.%d: Windows 2000 loads 5.0 at most"
                        % img.subsystem_version)
    if img.os_version != (5, 0):
        problems.append("OS version %d.%d, not 5.0" % img.os_version)
    if img.timestamp:
        problems.append("link time stamp 0x%08X, not 0: the build is not reproducible"
                        % img.timestamp)
    if img.directories[DIR_DEBUG][1]:
        problems.append("a debug directory is present")
    if img.symbols or img.symbol_count:
        problems.append("a COFF symbol table is present: the file is not stripped")
    # A relocatable image without relocations fails to load where ASLR moves it.
    if img.dll_characteristics & DYNAMIC_BASE and (
            not img.directories[DIR_RELOC][1] or img.characteristics & RELOCS_STRIPPED):
        problems.append("dynamic base is set but the relocations are gone")


def check_imports(img, imports, allowed, problems):
    if img.directories[DIR_DELAY_IMPORT][1]:
        problems.append("delay-load imports are present; the allow-list does not cover them")
    for dll, names in imports:
        if dll.lower() not in SYSTEM_DLLS:
            problems.append("imports from %s, which is no system DLL" % dll)
            continue
        for name in names:
            if (dll.lower(), name) not in allowed:
                problems.append("%s %s is not in the Windows 2000 allow-list" % (dll, name))


def read_resources(img):
    """[(type, name, language, data)]; names are ints or upper-case strings."""
    rva, size = img.directories[DIR_RESOURCE]
    if not size:
        return []
    base = img.offset(rva)
    data = img.data
    found = []

    def walk(off, path):
        named, ids = struct.unpack_from("<HH", data, base + off + 12)
        for i in range(named + ids):
            key, target = struct.unpack_from("<II", data, base + off + 16 + 8 * i)
            if key & 0x80000000:
                p = base + (key & 0x7FFFFFFF)
                length = struct.unpack_from("<H", data, p)[0]
                key = data[p + 2:p + 2 + 2 * length].decode("utf-16-le").upper()
            if target & 0x80000000:
                if len(path) == 2:
                    raise Malformed("resource directory deeper than type/name/language")
                walk(target & 0x7FFFFFFF, path + [key])
            else:
                if len(path) != 2:
                    raise Malformed("resource data above the language level")
                data_rva, data_size = struct.unpack_from("<II", data, base + target)
                found.append((path[0], path[1], key, img.read(data_rva, data_size)))

    walk(0, [])
    return found


def parse_version_block(buf, off):
    """One VS_VERSIONINFO-style node: (key, text?, value bytes, children), end."""
    length, value_length, is_text = struct.unpack_from("<HHH", buf, off)
    if length < 6 or off + length > len(buf):
        raise Malformed("version block at %d has a bad length %d" % (off, length))
    end = off + length
    p = off + 6
    while buf[p:p + 2] != b"\0\0":
        p += 2
        if p >= end:
            raise Malformed("version block key is not terminated")
    key = buf[off + 6:p].decode("utf-16-le")
    p = (p + 2 + 3) & ~3
    value = buf[p:min(end, p + value_length * (2 if is_text else 1))]
    p = (p + len(value) + 3) & ~3
    children = []
    while p < end:
        child, p = parse_version_block(buf, p)
        children.append(child)
        p = (p + 3) & ~3
    return (key, value, children), end


def text(value):
    return value.decode("utf-16-le").split("\0")[0]


EXPECTED_FIXED_INFO = [
    ("file version", "1.0.0.0"), ("product version", "1.0.0.0"),
    ("flags mask", 0x3F), ("flags", 0), ("OS", 4), ("type", 1), ("subtype", 0),
    ("date", (0, 0))]
EXPECTED_STRINGS = {
    "FileVersion": "1.00", "ProductVersion": "1.00", "InternalName": "hazuro",
    "OriginalFilename": "hazuro.exe", "FileDescription": "hazuro", "ProductName": "hazuro"}


def check_version(blob, problems):
    (key, value, children), _ = parse_version_block(blob, 0)
    if key != "VS_VERSION_INFO" or len(value) != 52:
        problems.append("version resource: root is %r with %d value bytes" % (key, len(value)))
        return
    f = struct.unpack("<13I", value)
    if f[0] != 0xFEEF04BD:
        problems.append("version resource: fixed info signature 0x%08X" % f[0])
    dotted = lambda ms, ls: "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    actual = [dotted(f[2], f[3]), dotted(f[4], f[5]), f[6], f[7], f[8], f[9], f[10],
              (f[11], f[12])]
    for (what, want), got in zip(EXPECTED_FIXED_INFO, actual):
        if got != want:
            problems.append("version resource: %s is %r, not %r" % (what, got, want))

    string_infos = [c for c in children if c[0] == "StringFileInfo"]
    var_infos = [c for c in children if c[0] == "VarFileInfo"]
    tables = [t for s in string_infos for t in s[2]]
    if len(tables) != 1 or tables[0][0].upper() != "041104E4":
        problems.append("version resource: string tables %s, not just 041104E4"
                        % [t[0] for t in tables])
    for table in tables[:1]:
        strings = {k: text(v) for k, v, _ in table[2]}
        for name, want in EXPECTED_STRINGS.items():
            if strings.get(name) != want:
                problems.append("version resource: %s is %r, not %r"
                                % (name, strings.get(name), want))
        for name in ("CompanyName", "LegalCopyright"):
            if not strings.get(name):
                problems.append("version resource: %s is missing or empty" % name)

    translations = [v for info in var_infos for k, v, _ in info[2] if k == "Translation"]
    words = [struct.unpack("<%dH" % (len(v) // 2), v) for v in translations]
    if words != [(0x0411, 0x04E4)]:
        problems.append("version resource: Translation is %s, not [0x0411, 0x04E4]"
                        % [[hex(w) for w in t] for t in words])


ASM = "{urn:schemas-microsoft-com:asm.v1}"
# (tag, attributes, text, children); each tag appears once among its siblings.
EXPECTED_MANIFEST = (ASM + "assembly", {"manifestVersion": "1.0"}, "", [
    (ASM + "assemblyIdentity", {"version": "1.0.0.0", "processorArchitecture": "X86",
                                "name": "hazuro.exe"}, "", []),
    (ASM + "description", {}, "hazuro", []),
    (ASM + "dependency", {}, "", [
        (ASM + "dependentAssembly", {}, "", [
            (ASM + "assemblyIdentity", {
                "type": "win32", "name": "Microsoft.Windows.Common-Controls",
                "version": "6.0.0.0", "processorArchitecture": "X86",
                "publicKeyToken": "6595b64144ccf1df", "language": "*"}, "", [])])])])


def compare_element(element, expected, where, problems):
    tag, attributes, body, children = expected
    where = "%s/%s" % (where, tag.replace(ASM, ""))
    for name in sorted(element.attrib.keys() | attributes.keys()):
        got, want = element.attrib.get(name), attributes.get(name)
        if got != want:
            problems.append("manifest %s: %s is %s, not %s" % (
                where, name, "absent" if got is None else repr(got),
                "absent" if want is None else repr(want)))
    if (element.text or "").strip() != body:
        problems.append("manifest %s: text %r, not %r" % (where, (element.text or "").strip(), body))
    wanted = {c[0]: c for c in children}
    seen = set()
    for child in element:
        if child.tag not in wanted or child.tag in seen:
            problems.append("manifest %s: unexpected element %s"
                            % (where, child.tag.replace(ASM, "")))
            continue
        seen.add(child.tag)
        compare_element(child, wanted[child.tag], where, problems)
    for missing in wanted.keys() - seen:
        problems.append("manifest %s: missing element %s" % (where, missing.replace(ASM, "")))


def check_manifest(blob, problems):
    if not blob.startswith(b"\xef\xbb\xbf"):
        problems.append("manifest does not start with a UTF-8 byte order mark")
    try:
        root = ET.fromstring(blob)
    except ET.ParseError as e:
        problems.append("manifest is not well-formed XML: %s" % e)
        return
    if root.tag != EXPECTED_MANIFEST[0]:
        problems.append("manifest root is %s, not %s" % (root.tag, EXPECTED_MANIFEST[0]))
        return
    compare_element(root, EXPECTED_MANIFEST, "", problems)


def check_icon(group, icons, problems):
    _, kind, count = struct.unpack_from("<HHH", group, 0)
    if kind != 1 or 6 + 14 * count > len(group):
        problems.append("MAINICON: not an icon group")
        return
    sizes = []
    for i in range(count):
        width, height, colours, _, planes, bpp, length, icon_id = struct.unpack_from(
            "<BBBBHHIH", group, 6 + 14 * i)
        sizes.append(width)
        if width != height or colours != 16 or planes != 1 or bpp != 4:
            problems.append("MAINICON image %d: %dx%d, %d colours, %d planes, %d bpp; "
                            "want square, 16 colours, 1 plane, 4 bpp"
                            % (i, width, height, colours, planes, bpp))
        image = icons.get(icon_id)
        if image is None:
            problems.append("MAINICON image %d: icon %d is missing" % (i, icon_id))
            continue
        # Windows 2000 reads only bitmap icons, and trusts the group's sizes.
        header = struct.unpack_from("<IiiHH", image, 0) if len(image) >= 16 else None
        if len(image) != length or header != (40, width, 2 * height, 1, 4):
            problems.append("MAINICON image %d: icon %d does not hold the %dx%d 4 bpp "
                            "bitmap the group announces" % (i, icon_id, width, height))
    if sorted(sizes) != [16, 32, 48]:
        problems.append("MAINICON sizes %s, not 16, 32, 48" % sizes)


def check_resources(resources, problems):
    for kind, name, lang, _ in resources:
        if lang != LANG_EN_US:
            problems.append("resource type %s name %s has language %s, not %d"
                            % (kind, name, lang, LANG_EN_US))
    of_type = lambda t: [r for r in resources if r[0] == t]
    versions = of_type(RT_VERSION)
    if len(versions) != 1:
        problems.append("%d version resources, not 1" % len(versions))
    for version in versions[:1]:
        try:
            check_version(version[3], problems)
        except (Malformed, struct.error, UnicodeDecodeError) as e:
            problems.append("version resource is malformed: %s" % e)
    manifests = [(r[1], r[2]) for r in of_type(RT_MANIFEST)]
    if [m[0] for m in manifests] != [1]:
        problems.append("manifests %s; want exactly one, id 1" % manifests)
    for manifest in of_type(RT_MANIFEST)[:1]:
        check_manifest(manifest[3], problems)
    groups = [r for r in of_type(RT_GROUP_ICON) if r[1] == "MAINICON"]
    if len(groups) != 1:
        problems.append("%d icon groups named MAINICON, not 1" % len(groups))
    for group in groups[:1]:
        try:
            check_icon(group[3], {r[1]: r[3] for r in of_type(RT_ICON)}, problems)
        except struct.error as e:
            problems.append("MAINICON is malformed: %s" % e)


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    exe, allow_list = argv[1], argv[2]
    problems = []
    try:
        with open(exe, "rb") as f:
            data = f.read()
    except OSError as e:
        print("%s: %s (build the release preset first)" % (exe, e.strerror))
        return 1
    allowed = read_allow_list(allow_list, problems)
    try:
        img = Image(data)
        check_headers(img, len(data), problems)
        imports = read_imports(img, problems)
        check_imports(img, imports, allowed, problems)
        check_resources(read_resources(img), problems)
    except (Malformed, struct.error) as e:
        problems.append("cannot read the file as a PE image: %s" % e)

    if problems:
        print("%s: %d problem(s)" % (exe, len(problems)))
        for p in problems:
            print("  " + p)
        return 1
    print("%s: %d bytes (limit %d), PE32 i386 GUI, subsystem %d.%d, OS %d.%d"
          % (exe, len(data), SIZE_LIMIT, *img.subsystem_version, *img.os_version))
    print("sections (bytes used, in file): " + ", ".join(
        "%s %d %d" % (s[0], s[1], s[3]) for s in img.sections))
    print("imports (%d):" % sum(len(n) for _, n in imports))
    for dll, names in imports:
        print(textwrap.fill(" ".join(names), 100, initial_indent="  %s: " % dll,
                            subsequent_indent="    "))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
