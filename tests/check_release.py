"""Check the release hazuro.exe: loadable by Windows 2000 through 11, importing
exactly the functions in the allow-list, and shipping the resources it should.
Usage: check_release.py HAZURO.EXE ALLOWED_IMPORTS.txt
Prints a summary and exits 0, or prints every problem and exits 1.
Reads the file with pefile (Debian's python3-pefile)."""
import struct
import sys
import textwrap
import xml.etree.ElementTree as ET

try:
    import pefile
except ImportError:
    sys.exit("check_release: no pefile module; install python3-pefile "
             "(scripts/install-deps.sh) and run this with Debian's python3")

SIZE_LIMIT = 20 * 1024
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "shell32.dll"}
LANG_EN_US = 1033
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24


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


def check_headers(pe, size, problems):
    fh, oh = pe.FILE_HEADER, pe.OPTIONAL_HEADER
    if size > SIZE_LIMIT:
        problems.append("file is %d bytes, over the %d byte limit" % (size, SIZE_LIMIT))
    if fh.Machine != 0x14C or oh.Magic != 0x10B:
        problems.append("machine 0x%X, optional header 0x%X: not PE32 i386 (0x14C, 0x10B)"
                        % (fh.Machine, oh.Magic))
    if oh.Subsystem != 2:
        problems.append("subsystem %d, not Windows GUI (2)" % oh.Subsystem)
    subsystem = (oh.MajorSubsystemVersion, oh.MinorSubsystemVersion)
    if subsystem > (5, 0):
        problems.append("subsystem version %d.%d: Windows 2000 loads 5.0 at most" % subsystem)
    os_version = (oh.MajorOperatingSystemVersion, oh.MinorOperatingSystemVersion)
    if os_version != (5, 0):
        problems.append("OS version %d.%d, not 5.0" % os_version)
    if fh.TimeDateStamp:
        problems.append("link time stamp 0x%08X, not 0: the build is not reproducible"
                        % fh.TimeDateStamp)
    if hasattr(pe, "DIRECTORY_ENTRY_DEBUG"):
        problems.append("a debug directory is present")
    if fh.PointerToSymbolTable or fh.NumberOfSymbols:
        problems.append("a COFF symbol table is present: the file is not stripped")
    if not (oh.IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE and oh.IMAGE_DLLCHARACTERISTICS_NX_COMPAT
            and oh.IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE):
        problems.append("DYNAMIC_BASE, NX_COMPAT and TERMINAL_SERVER_AWARE are not all set")
    if oh.CheckSum != pe.generate_checksum():
        problems.append("checksum 0x%X, not 0x%X" % (oh.CheckSum, pe.generate_checksum()))
    # A relocatable image without relocations fails to load where ASLR moves it.
    if not hasattr(pe, "DIRECTORY_ENTRY_BASERELOC") or fh.IMAGE_FILE_RELOCS_STRIPPED:
        problems.append("the relocations are gone")


def check_relocations(pe, problems):
    """Windows moves the file (ASLR), Wine never does: every absolute address
    in it needs a relocation, or it points into nothing once moved. Addresses
    point into the code and data, never into the resources or relocations."""
    highlow = pefile.RELOCATION_TYPE["IMAGE_REL_BASED_HIGHLOW"]
    relocated = {e.rva for block in getattr(pe, "DIRECTORY_ENTRY_BASERELOC", [])
                 for e in block.entries if e.type == highlow}
    addressed = [s for s in pe.sections if s.Name.rstrip(b"\0") not in (b".rsrc", b".reloc")]
    # The import tables, last in their section, hold RVAs for the loader: read
    # across their entries, they look like addresses.
    directories = pe.OPTIONAL_HEADER.DATA_DIRECTORY
    tables = [directories[i].VirtualAddress for i in (1, 12) if directories[i].Size]
    tables_from = min(tables) if tables else None
    for section in addressed:
        data = section.get_data()[:section.Misc_VirtualSize]
        for offset in range(len(data) - 3):
            target = struct.unpack_from("<I", data, offset)[0] - pe.OPTIONAL_HEADER.ImageBase
            rva = section.VirtualAddress + offset
            if tables_from is not None and section.contains_rva(tables_from) and rva >= tables_from:
                break
            if rva not in relocated and any(s.contains_rva(target) for s in addressed):
                problems.append("the address at RVA 0x%X has no relocation" % rva)


def check_imports(pe, allowed, problems):
    """The imports as [(dll, [names])]; each must be in the allow-list and each
    entry of the list must be imported, so the list tells what the file needs."""
    if hasattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT"):
        problems.append("delay-load imports are present; the allow-list does not cover them")
    imports = []
    for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        dll = entry.dll.decode("ascii", "replace")
        if dll.lower() not in SYSTEM_DLLS:
            problems.append("imports from %s, which is no system DLL" % dll)
        names = []
        for function in entry.imports:
            if function.import_by_ordinal:
                # Ordinals differ between Windows versions; only names are stable.
                problems.append("%s is imported by ordinal %d" % (dll, function.ordinal))
            else:
                names.append(function.name.decode("ascii", "replace"))
        imports.append((dll, names))
    found = {(dll.lower(), name) for dll, names in imports for name in names}
    for dll, name in sorted(found - allowed):
        problems.append("%s %s is imported but not in the allow-list" % (dll, name))
    for dll, name in sorted(allowed - found):
        problems.append("%s %s is in the allow-list but not imported" % (dll, name))
    return imports


def read_resources(pe, problems):
    """[(type, name, language, data)]; names are ints or upper-case strings."""
    found = []
    root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    try:
        for kind in root.entries if root else []:
            for name in kind.directory.entries:
                key = name.id if name.name is None else str(name.name).upper()
                for lang in name.directory.entries:
                    data = lang.data.struct
                    found.append((kind.id, key, lang.id,
                                  pe.get_data(data.OffsetToData, data.Size)))
    except AttributeError:
        # Data where a directory belongs, or the other way round.
        problems.append("resource tree is not type/name/language")
    return found


EXPECTED_FIXED_INFO = [
    ("file version", "1.0.0.0"), ("product version", "1.0.0.0"),
    ("flags mask", 0x3F), ("flags", 0), ("OS", 4), ("type", 1), ("subtype", 0),
    ("date", (0, 0))]
EXPECTED_STRINGS = {
    "FileVersion": "1.00", "ProductVersion": "1.00", "InternalName": "hazuro",
    "OriginalFilename": "hazuro.exe", "FileDescription": "hazuro", "ProductName": "hazuro"}


def check_version(pe, problems):
    roots = getattr(pe, "VS_VERSIONINFO", [])
    fixed = getattr(pe, "VS_FIXEDFILEINFO", [])
    if len(roots) != 1 or len(fixed) != 1 or roots[0].ValueLength != 52:
        problems.append("version resource: %d roots, %d fixed infos; want one of each, "
                        "52 bytes" % (len(roots), len(fixed)))
        return
    f = fixed[0]
    if f.Signature != 0xFEEF04BD:
        problems.append("version resource: fixed info signature 0x%08X" % f.Signature)
    dotted = lambda ms, ls: "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    actual = [dotted(f.FileVersionMS, f.FileVersionLS),
              dotted(f.ProductVersionMS, f.ProductVersionLS), f.FileFlagsMask, f.FileFlags,
              f.FileOS, f.FileType, f.FileSubtype, (f.FileDateMS, f.FileDateLS)]
    for (what, want), got in zip(EXPECTED_FIXED_INFO, actual):
        if got != want:
            problems.append("version resource: %s is %r, not %r" % (what, got, want))

    infos = [info for infos in pe.FileInfo for info in infos]
    tables = [t for info in infos for t in getattr(info, "StringTable", [])]
    if [t.LangID.upper() for t in tables] != [b"041104E4"]:
        problems.append("version resource: string tables %s, not just 041104E4"
                        % [t.LangID.decode() for t in tables])
    for table in tables[:1]:
        strings = {k.decode(): v.decode() for k, v in table.entries.items()}
        for name, want in EXPECTED_STRINGS.items():
            if strings.get(name) != want:
                problems.append("version resource: %s is %r, not %r"
                                % (name, strings.get(name), want))
        for name in ("CompanyName", "LegalCopyright"):
            if not strings.get(name):
                problems.append("version resource: %s is missing or empty" % name)

    # pefile shows the first language and code page of a Translation only.
    translations = [(var.ValueLength, var.entry.get(b"Translation"))
                    for info in infos for var in getattr(info, "Var", [])]
    if translations != [(4, "0x0411 0x04e4")]:
        problems.append("version resource: Translation is %s, not [0x0411, 0x04E4]"
                        % translations)


ASM = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
# (tag, attributes, text, children); each tag appears once among its siblings.
EXPECTED_MANIFEST = (ASM + "assembly", {"manifestVersion": "1.0"}, "", [
    (ASM + "assemblyIdentity", {"type": "win32", "version": "1.0.0.0",
                                "processorArchitecture": "X86", "name": "hazuro.exe"}, "", []),
    (ASM + "description", {}, "hazuro", []),
    (ASM + "dependency", {}, "", [
        (ASM + "dependentAssembly", {}, "", [
            (ASM + "assemblyIdentity", {
                "type": "win32", "name": "Microsoft.Windows.Common-Controls",
                "version": "6.0.0.0", "processorArchitecture": "X86",
                "publicKeyToken": "6595b64144ccf1df", "language": "*"}, "", [])])]),
    # Settings written beside the program, never redirected to a VirtualStore.
    (ASM_V3 + "trustInfo", {}, "", [(ASM_V3 + "security", {}, "", [
        (ASM_V3 + "requestedPrivileges", {}, "", [(ASM_V3 + "requestedExecutionLevel", {
            "level": "asInvoker", "uiAccess": "false"}, "", [])])])]),
    # Sharp at every display scale: per monitor where Windows scales dialogs
    # too (10 1703 and later), else system-wide.
    (ASM_V3 + "application", {}, "", [
        (ASM_V3 + "windowsSettings", {}, "", [
            ("{http://schemas.microsoft.com/SMI/2005/WindowsSettings}dpiAware", {},
             "true", []),
            ("{http://schemas.microsoft.com/SMI/2016/WindowsSettings}dpiAwareness", {},
             "PerMonitorV2, System", [])])])])


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


def check_resources(pe, resources, problems):
    for kind, name, lang, _ in resources:
        if lang != LANG_EN_US:
            problems.append("resource type %s name %s has language %s, not %d"
                            % (kind, name, lang, LANG_EN_US))
    of_type = lambda t: [r for r in resources if r[0] == t]
    if len(of_type(RT_VERSION)) != 1:
        problems.append("%d version resources, not 1" % len(of_type(RT_VERSION)))
    check_version(pe, problems)
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
    imports = []
    try:
        pe = pefile.PE(data=data)
        # pefile reads on past what it cannot make sense of, and says so here.
        # Its guess that a file mostly of zero bytes is cut short is no finding:
        # a small image is mostly the padding of its sections.
        problems += ["pefile: " + w for w in pe.get_warnings()
                     if not w.startswith("Byte 0x00 makes up")]
        check_headers(pe, len(data), problems)
        check_relocations(pe, problems)
        imports = check_imports(pe, allowed, problems)
        check_resources(pe, read_resources(pe, problems), problems)
    except (pefile.PEFormatError, struct.error) as e:
        problems.append("cannot read the file as a PE image: %s" % e)

    if problems:
        print("%s: %d problem(s)" % (exe, len(problems)))
        for p in problems:
            print("  " + p)
        return 1
    oh = pe.OPTIONAL_HEADER
    print("%s: %d bytes (limit %d), PE32 i386 GUI, subsystem %d.%d, OS %d.%d"
          % (exe, len(data), SIZE_LIMIT, oh.MajorSubsystemVersion, oh.MinorSubsystemVersion,
             oh.MajorOperatingSystemVersion, oh.MinorOperatingSystemVersion))
    print("sections (bytes used, in file): headers %d, " % oh.SizeOfHeaders + ", ".join(
        "%s %d %d" % (s.Name.rstrip(b"\0").decode(), s.Misc_VirtualSize, s.SizeOfRawData)
        for s in pe.sections))
    print("imports (%d):" % sum(len(n) for _, n in imports))
    for dll, names in imports:
        print(textwrap.fill(" ".join(names), 100, initial_indent="  %s: " % dll,
                            subsequent_indent="    "))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
