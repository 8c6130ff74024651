"""regsvr32 writes the keys of an in-process automation server, and /u
leaves the registry as it found it, in both architectures; with the other
architecture's build still registered, /u keeps the keys both registry
views share."""

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

        other_view_registered(h, arch, dll, before)

    h.register_component()


# Per architecture: its reg.exe view switch, its type library platform and
# where the install puts its DLL.
VIEWS = {"x64": ("/reg:64", "win64", "C:\\Program Files\\Kestrelbay\\Crateload\\kbaycl20.dll"),
         "x86": ("/reg:32", "win32", "C:\\Program Files (x86)\\Kestrelbay\\Crateload\\kbaycl20.dll")}


def view_query(h, view, key, value=None):
    result = h.reg("x64", "query", key, *(["/v", value] if value else ["/ve"]), view)
    return text(result) if result.returncode == 0 else None


def other_view_registered(h, arch, dll, before):
    """The other architecture's build stays registered, written here as its
    regsvr32 writes it (the 64-bit reg.exe reaches both views): this /u
    takes its own view's class and type library platform, and leaves the
    ProgID, the type library and the Event Log source to the other. Once
    the other build's class is gone, the last /u takes them, the ProgID
    from both views: Windows shares it, but a system that keeps one per
    view would keep the other build's for ever."""
    own, own_win, _ = VIEWS[arch]
    view, win, other_dll = VIEWS["x86" if arch == "x64" else "x64"]
    h.check_equal(f"{arch} regsvr32 beside the other build", h.regsvr32(arch, dll), 0)
    for key, value in ((f"HKCR\\CLSID\\{CLSID}\\InprocServer32", other_dll),
                       (f"HKCR\\TypeLib\\{LIBID}\\4.0\\409\\{win}", other_dll),
                       (f"HKCR\\Interface\\{IID}\\TypeLib", LIBID),
                       ("HKCR\\Kestrelbay.Crateload2\\CLSID", CLSID)):
        h.reg("x64", "add", key, "/ve", "/d", value, "/f", view)
    h.check_equal(f"{arch} regsvr32 /u beside the other build", h.regsvr32(arch, dll, unregister=True), 0)

    gone = {f"{arch} class": view_query(h, own, f"HKCR\\CLSID\\{CLSID}"),
            f"{own_win} type library": view_query(h, own, f"HKCR\\TypeLib\\{LIBID}\\4.0\\409\\{own_win}"),
            f"{arch} interface": view_query(h, own, f"HKCR\\Interface\\{IID}")}
    h.record(f"{arch} /u beside the other build takes its own class and type library platform",
             all(v is None for v in gone.values()), str({k: v for k, v in gone.items() if v is not None}))
    # As the build's own process sees it: both views share the ProgID, and
    # Wine's 64-bit reg.exe under /reg:32 looks for it in Wow6432Node.
    own_view = h.reg(arch, "query", "HKCR\\Kestrelbay.Crateload2\\CLSID", "/ve")
    progid = text(own_view) if own_view.returncode == 0 else ""
    h.record(f"{arch} /u beside the other build keeps the ProgID", CLSID.lower() in progid.lower(), progid)
    kept = {"platform": view_query(h, view, f"HKCR\\TypeLib\\{LIBID}\\4.0\\409\\{win}") or "",
            "help folder": view_query(h, view, f"HKCR\\TypeLib\\{LIBID}\\4.0\\HELPDIR") or "",
            "interface": view_query(h, view, f"HKCR\\Interface\\{IID}\\TypeLib") or ""}
    h.record(f"{arch} /u beside the other build keeps the type library, naming the other build",
             other_dll in kept["platform"] and other_dll.rsplit("\\", 1)[0] in kept["help folder"]
             and LIBID in kept["interface"], str(kept))
    source = query(h, arch, EVENT_SOURCE, "EventMessageFile") or ""
    h.record(f"{arch} /u beside the other build points the Event Log source at it", other_dll in source, source)

    h.reg("x64", "delete", f"HKCR\\CLSID\\{CLSID}", "/f", view)
    last = (h.regsvr32(arch, dll), h.regsvr32(arch, dll, unregister=True))
    # The other build's type library platform, written above, is the only
    # thing that stays.
    h.reg("x64", "delete", f"HKCR\\TypeLib\\{LIBID}", "/f")
    after = snapshot(h, f"{arch}-other.reg")
    h.record(f"{arch} the last /u takes the ProgID from both views, and nothing else stays",
             last == (0, 0) and before == after and query(h, arch, EVENT_SOURCE, "EventMessageFile") is None,
             f"regsvr32 {last}\n" + diff(before, after))


def diff(a, b):
    import difflib
    return "\n".join(list(difflib.unified_diff(a.splitlines(), b.splitlines(), lineterm="", n=1))[:40])
