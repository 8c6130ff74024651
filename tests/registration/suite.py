"""regsvr32 writes the keys of an in-process automation server, and /u
leaves the registry as it found it, in both architectures."""

from harness import text

CLSID = "{185101C5-B533-4889-B37D-D83C320D43AB}"
LIBID = "{7C8E1E83-88CE-4BC6-B9B3-06EBF14BAEA8}"
IID = "{F8F12009-682A-44BE-A5E5-429472AC3249}"
EVENT_SOURCE = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Crateload"


def snapshot(h, name):
    path = h.work_root / "registration" / name
    path.parent.mkdir(parents=True, exist_ok=True)
    # The 64-bit reg sees the whole of HKLM, the 32-bit view included.
    h.reg("x64", "export", "HKLM\\Software\\Classes", "Z:" + str(path).replace("/", "\\"), "/y")
    return path.read_bytes().decode("utf-16", "replace") if path.exists() else ""


def query(h, arch, key, value=None):
    args = ["query", key] + (["/v", value] if value else ["/ve"])
    result = h.reg(arch, *args)
    return text(result) if result.returncode == 0 else None


def run(h):
    for arch in h.runnable_arches:
        h.regsvr32(arch, h.bin_dir(arch) / "kbaycl20.dll", unregister=True)

    for arch in h.arches:
        dll = h.bin_dir(arch) / "kbaycl20.dll"
        before = snapshot(h, f"{arch}-before.reg")
        h.record(f"{arch} registry snapshot", len(before) > 1000, "reg export gave nothing")

        h.check_equal(f"{arch} regsvr32", h.regsvr32(arch, dll), 0)
        server = query(h, arch, f"HKCR\\CLSID\\{CLSID}\\InprocServer32") or ""
        h.record(f"{arch} InprocServer32 names the DLL", "kbaycl20.dll" in server.lower(), server)
        model = query(h, arch, f"HKCR\\CLSID\\{CLSID}\\InprocServer32", "ThreadingModel") or ""
        h.record(f"{arch} apartment threading", "Apartment" in model, model)
        progid = query(h, arch, f"HKCR\\CLSID\\{CLSID}\\ProgID") or ""
        h.record(f"{arch} class to ProgID", "Kestrelbay.Crateload2" in progid, progid)
        clsid = query(h, arch, "HKCR\\Kestrelbay.Crateload2\\CLSID") or ""
        h.record(f"{arch} ProgID to class", CLSID.lower() in clsid.lower(), clsid)
        typelib = query(h, arch, f"HKCR\\CLSID\\{CLSID}\\TypeLib") or ""
        h.record(f"{arch} class names its type library", LIBID.lower() in typelib.lower(), typelib)
        win = "win64" if arch == "x64" else "win32"
        registered = query(h, arch, f"HKCR\\TypeLib\\{LIBID}\\4.0\\409\\{win}") or ""
        h.record(f"{arch} type library registered", "kbaycl20.dll" in registered.lower(), registered)
        marshal = query(h, arch, f"HKCR\\Interface\\{IID}\\TypeLib")
        h.record(f"{arch} interface registered", marshal is not None, "")
        source = query(h, arch, EVENT_SOURCE, "EventMessageFile") or ""
        h.record(f"{arch} the Event Log source names the DLL", "kbaycl20.dll" in source.lower(), source)

        h.check_equal(f"{arch} regsvr32 /u", h.regsvr32(arch, dll, unregister=True), 0)
        after = snapshot(h, f"{arch}-after.reg")
        h.record(f"{arch} /u restores the registry", before == after, diff(before, after))
        h.record(f"{arch} /u removes the Event Log source", query(h, arch, EVENT_SOURCE, "EventMessageFile") is None)

    h.register_component()


def diff(a, b):
    import difflib
    return "\n".join(list(difflib.unified_diff(a.splitlines(), b.splitlines(), lineterm="", n=1))[:40])
