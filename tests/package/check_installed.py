#!/usr/bin/env python3
"""Checks an installed Kovrin: the layout under PREFIX, the desktop entry, AppStream metainfo and icons, the
manual pages, kovrin-cli's completion, the licence and changelog, the versions the tools print, the TLS and
SQLite modules found by the installed kovrin-cli (and neither linked by either program), and one start and stop
of the program as a user who cannot write the program's folder.

usage: tests/package/check_installed.py [--strict] PREFIX
       tests/package/check_installed.py [--strict] --install BUILD_DIR   (installs BUILD_DIR into a temporary
                                                                         prefix first)

The validators (desktop-file-validate, appstreamcli, man) are used where installed; with --strict a missing one
is a failure.

The program keeps settings.xml beside itself when it may write there and in the user's config folder otherwise.
An installed copy must take the second road, so the program runs as a user for whom PREFIX/bin is read-only: as
root that user is "nobody" (through setpriv, since root may write anywhere); otherwise the caller itself, with the
write bits of PREFIX/bin taken away for the run. The check then wants settings.xml in the temporary config folder
and none beside the program. Exits 0 when every check passes; prints one line per failure.
"""
import gzip
import os
import pwd
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ElementTree

APP_ID = "io.github.kovrin.Kovrin"
ICON_SIZES = (16, 32, 48, 256)
PROGRAMS = ("kovrin", "kovrin-cli", "kovrin-demo-service")
START_WAIT_S = 1.0
STOP_TIMEOUT_S = 15.0

failures = []
strict = False


def validator(name):
    """The path of the validating program NAME, or None; under --strict a missing one fails."""
    path = shutil.which(name)
    check(path is not None or not strict, f"{name} is not installed, so it validated nothing")
    return path


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def desktop_entry(path):
    """The [Desktop Entry] group as a dict; keys keep their locale suffix (Comment[ru])."""
    entries, group = {}, None
    with open(path, encoding="utf-8") as handle:
        for line in handle:
            line = line.rstrip("\n")
            if line.startswith("[") and line.endswith("]"):
                group = line[1:-1]
            elif group == "Desktop Entry" and "=" in line and not line.startswith("#"):
                key, value = line.split("=", 1)
                check(key not in entries, f"desktop entry: key {key} given twice")
                entries[key] = value
    return entries


def png_size(path):
    with open(path, "rb") as handle:
        head = handle.read(24)
    if len(head) < 24 or head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", head[16:24])


def check_layout(prefix):
    for name in PROGRAMS:
        path = os.path.join(prefix, "bin", name)
        check(os.path.isfile(path) and os.access(path, os.X_OK), f"{path}: missing or not executable")

    desktop = os.path.join(prefix, "share", "applications", APP_ID + ".desktop")
    if check(os.path.isfile(desktop), f"{desktop}: missing"):
        entry = desktop_entry(desktop)
        for key, wanted in (("Type", "Application"), ("Name", "Kovrin"), ("Exec", "kovrin"), ("Icon", APP_ID)):
            check(entry.get(key) == wanted, f"desktop entry: {key}={entry.get(key)!r}, wanted {wanted!r}")
        categories = entry.get("Categories", "").split(";")
        check("Office" in categories and "Finance" in categories, "desktop entry: Categories lack Office;Finance")
        check(entry.get("Comment"), "desktop entry: no English Comment")
        check(any("\u0400" <= c <= "\u04ff" for c in entry.get("Comment[ru]", "")),
              "desktop entry: no Russian Comment[ru]")
        if validator("desktop-file-validate"):
            done = subprocess.run(["desktop-file-validate", desktop], capture_output=True, text=True)
            check(done.returncode == 0, f"desktop-file-validate: {done.stdout}{done.stderr}")

    icons = os.path.join(prefix, "share", "icons", "hicolor")
    for size in ICON_SIZES:
        path = os.path.join(icons, f"{size}x{size}", "apps", APP_ID + ".png")
        if check(os.path.isfile(path), f"{path}: missing"):
            check(png_size(path) == (size, size), f"{path}: {png_size(path)}, wanted {size}x{size} PNG")
    svg = os.path.join(icons, "scalable", "apps", APP_ID + ".svg")
    if check(os.path.isfile(svg), f"{svg}: missing"):
        with open(svg, "rb") as handle:
            check(b"<svg" in handle.read(), f"{svg}: not an SVG image")

    manual = os.path.join(prefix, "share", "kovrin", "help.rtf")
    if check(os.path.isfile(manual), f"{manual}: missing"):
        with open(manual, "rb") as handle:
            check(handle.read(5) == b"{\\rtf", f"{manual}: not RTF")

    # The window announces the same name as the entry, or desktops cannot match the two. Qt keeps string
    # literals in UTF-16, so both encodings are looked for.
    program = os.path.join(prefix, "bin", "kovrin")
    if os.path.isfile(program):
        with open(program, "rb") as handle:
            image = handle.read()
        check(APP_ID.encode("utf-16-le") in image or APP_ID.encode() in image,
              f"{program} does not name its desktop entry {APP_ID}")


def check_cli(prefix):
    """Checks kovrin-cli --help and that both tools print one version; returns it ("" when unknown)."""
    done = subprocess.run([os.path.join(prefix, "bin", "kovrin-cli"), "--help"], capture_output=True, text=True,
                          timeout=30)
    check(done.returncode == 0 and "kovrin-cli" in done.stdout,
          f"kovrin-cli --help: exit {done.returncode}, output {done.stdout[:200]!r}{done.stderr[:200]!r}")
    versions = []
    for name in ("kovrin-cli", "kovrin-demo-service"):
        done = subprocess.run([os.path.join(prefix, "bin", name), "--version"], capture_output=True, text=True,
                              timeout=30)
        words = done.stdout.split()
        if check(done.returncode == 0 and len(words) == 2 and words[0] == name,
                 f"{name} --version: exit {done.returncode}, output {done.stdout!r}"):
            versions.append(words[1])
    check(len(set(versions)) <= 1, f"the tools print different versions: {versions}")
    return versions[0] if versions else ""


def check_modules(prefix):
    """The programs start without OpenSSL and SQLite, and kovrin-cli finds its modules when it needs them.

    The TLS module is loaded before anything is sent, so an https address whose port is closed tells the two
    apart: a found module gets as far as the refused connection, a missing one is named instead. SQLite is
    loaded when an existing history file is opened; a missing module is named on stderr."""
    cli = os.path.join(prefix, "bin", "kovrin-cli")
    if shutil.which("readelf"):
        for name in ("kovrin", "kovrin-cli"):
            done = subprocess.run(["readelf", "-d", os.path.join(prefix, "bin", name)], capture_output=True,
                                  text=True)
            for library in ("libssl", "libcrypto", "libsqlite3"):
                check(library not in done.stdout, f"{name} links {library}, which only its module should")
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        port = probe.getsockname()[1]
    done = subprocess.run([cli, "--service", f"https://127.0.0.1:{port}", "feed", "news"], capture_output=True,
                          text=True, timeout=30)
    check("connection refused" in done.stderr,
          f"kovrin-cli over https did not get as far as the connection: {done.stderr.strip()!r}")
    if os.path.realpath(prefix) == "/usr":
        # A copy run from a folder of its own (beside its own settings.xml) finds the package's modules too.
        with tempfile.TemporaryDirectory(prefix="kovrin-copy-") as folder:
            copy = shutil.copy(cli, folder)
            done = subprocess.run([copy, "--service", f"https://127.0.0.1:{port}", "feed", "news"],
                                  capture_output=True, text=True, timeout=30)
            check("connection refused" in done.stderr,
                  f"a copy of kovrin-cli did not find the TLS module: {done.stderr.strip()!r}")
    with tempfile.TemporaryDirectory(prefix="kovrin-data-") as data:
        folder = os.path.join(data, "kovrin")
        os.mkdir(folder, 0o700)
        history = os.path.join(folder, "history.sqlite")
        os.close(os.open(history, os.O_CREAT | os.O_WRONLY, 0o600))
        done = subprocess.run([cli, "history", "Bitcoin BTC", "Сбербанк RUB"], capture_output=True, text=True,
                              timeout=30, env=dict(os.environ, XDG_DATA_HOME=data))
        check(done.stderr.startswith("kovrin-cli: no history recorded") and os.path.getsize(history) > 0,
              f"kovrin-cli history did not open the history file: {done.stderr.strip()!r}")


def check_manual_pages(prefix):
    for name in PROGRAMS:
        page = os.path.join(prefix, "share", "man", "man1", name + ".1.gz")
        if not check(os.path.isfile(page), f"{page}: missing"):
            continue
        with gzip.open(page, "rb") as handle:
            roff = handle.read()
        check(f'.TH "{name}" "1"'.encode() in roff, f"{page}: no .TH line for {name}(1)")
        if validator("man"):
            # What lintian runs: any message from man or groff is a fault of the page.
            done = subprocess.run(["man", "--warnings", "-E", "UTF-8", "-l", "-Tutf8", "-Z", page],
                                  capture_output=True, text=True, env=dict(os.environ, LC_ALL="C.UTF-8"))
            check(done.returncode == 0 and not done.stderr.strip(), f"man {page}: {done.stderr.strip()}")


def check_metainfo(prefix, version):
    path = os.path.join(prefix, "share", "metainfo", APP_ID + ".metainfo.xml")
    if not check(os.path.isfile(path), f"{path}: missing"):
        return
    lang = "{http://www.w3.org/XML/1998/namespace}lang"
    root = ElementTree.parse(path).getroot()
    check(root.get("type") == "desktop-application" and root.findtext("id") == APP_ID,
          f"{path}: not the desktop application {APP_ID}")
    check(root.findtext("launchable") == APP_ID + ".desktop", f"{path}: launchable is not {APP_ID}.desktop")
    check(root.findtext("project_license") == "MIT", f"{path}: project_license is not MIT")
    check(root.find("content_rating[@type='oars-1.1']") is not None, f"{path}: no OARS 1.1 content rating")
    for tag in ("summary", "description/p"):
        languages = {element.get(lang) for element in root.findall(tag)}
        check({None, "ru"} <= languages, f"{path}: {tag} wants English and Russian, has {languages}")
    release = root.find("releases/release")
    check(release is not None and release.get("version") == version,
          f"{path}: the newest release is not {version}")
    if validator("appstreamcli"):
        done = subprocess.run(["appstreamcli", "validate", "--no-net", "--strict", path], capture_output=True,
                              text=True)
        check(done.returncode == 0, f"appstreamcli validate: {done.stdout}{done.stderr}")


def check_completion(prefix):
    path = os.path.join(prefix, "share", "bash-completion", "completions", "kovrin-cli")
    if check(os.path.isfile(path), f"{path}: missing"):
        done = subprocess.run(["bash", "-c", 'source "$1" && complete -p kovrin-cli', "bash", path],
                              capture_output=True, text=True)
        check(done.returncode == 0 and "_kovrin_cli" in done.stdout,
              f"{path} does not complete kovrin-cli: {done.stderr}")


def check_package_documents(prefix, version):
    docs = os.path.join(prefix, "share", "doc", "kovrin")
    copyright_file = os.path.join(docs, "copyright")
    if check(os.path.isfile(copyright_file), f"{copyright_file}: missing"):
        with open(copyright_file, encoding="utf-8") as handle:
            text = handle.read()
        check(text.startswith("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"),
              f"{copyright_file}: not in the machine-readable format")
        check("\nLicense: Expat\n" in text, f"{copyright_file}: no Expat (MIT) licence")
    changelog = os.path.join(docs, "changelog.gz")
    if check(os.path.isfile(changelog), f"{changelog}: missing"):
        with gzip.open(changelog, "rt", encoding="utf-8") as handle:
            top = handle.readline()
        check(top.startswith(f"kovrin ({version}) "), f"{changelog}: the newest entry is {top.strip()!r}")


def run_as(work):
    """The command prefix and environment owner for a user who cannot write PREFIX/bin."""
    if os.geteuid() != 0:
        return [], None
    setpriv = shutil.which("setpriv")
    if not setpriv:
        sys.exit("check_installed: running as root needs setpriv (util-linux) to drop to nobody")
    nobody = pwd.getpwnam("nobody")
    os.chown(work, nobody.pw_uid, nobody.pw_gid)
    return [setpriv, f"--reuid={nobody.pw_uid}", f"--regid={nobody.pw_gid}", "--clear-groups"], nobody


def check_program(prefix):
    bin_dir = os.path.join(prefix, "bin")
    program = os.path.join(bin_dir, "kovrin")
    with tempfile.TemporaryDirectory(prefix="kovrin-home-") as home:
        os.chmod(home, 0o755)
        drop, user = run_as(home)
        config = os.path.join(home, ".config")
        env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=config, XDG_CACHE_HOME=os.path.join(home, ".cache"),
                   QT_QPA_PLATFORM="offscreen")
        env.pop("DISPLAY", None)
        trace = os.path.join(home, "trace.log")
        strace = usable_strace()
        command = drop + [program]
        if strace:
            # Which manual the program opens is seen from outside only; strace stays root and follows the
            # child through the user change.
            command = [strace, "-f", "-qq", "-e", "trace=openat", "-o", trace] + command
        old_mode = os.stat(bin_dir).st_mode
        if user is None:
            os.chmod(bin_dir, old_mode & ~0o222)
        try:
            with open(os.path.join(home, "program.log"), "wb") as log:
                child = subprocess.Popen(command, env=env, cwd=home, stdout=log, stderr=subprocess.STDOUT)
                # The program turns SIGTERM into a normal close once its handler is in; a signal sent earlier
                # would simply kill it, which says nothing about the installed copy.
                target = wait_for_handler(child, program)
                if check(target is not None, "the program did not start and install its SIGTERM handler"):
                    time.sleep(START_WAIT_S)
                    os.kill(target, signal.SIGTERM)
                try:
                    status = child.wait(timeout=STOP_TIMEOUT_S)
                except subprocess.TimeoutExpired:
                    child.kill()
                    status = child.wait()
                    check(False, f"the program did not stop within {STOP_TIMEOUT_S} s of SIGTERM")
        finally:
            if user is None:
                os.chmod(bin_dir, old_mode)
        with open(os.path.join(home, "program.log"), "rb") as log:
            output = log.read().decode(errors="replace")
        check(status == 0, f"the program exited with {status}; its output:\n{output}")
        check(os.path.isfile(os.path.join(config, "kovrin", "settings.xml")),
              f"no settings.xml in {config}/kovrin after the program stopped; its output:\n{output}")
        check(not os.path.exists(os.path.join(bin_dir, "settings.xml")),
              f"settings.xml was written beside the program in {bin_dir}")
        if strace:
            manual = os.path.realpath(os.path.join(prefix, "share", "kovrin", "help.rtf"))
            with open(trace, encoding="utf-8", errors="replace") as handle:
                opened = [line for line in handle if f'"{manual}"' in line and " = -1 " not in line]
            check(opened, f"the program never opened its manual {manual}")
        else:
            print("check_installed: no usable strace, which manual the program opens is not checked")


def usable_strace():
    """strace's path when it is installed and may trace here (some containers forbid ptrace), else None."""
    strace = shutil.which("strace")
    if strace and subprocess.run([strace, "-o", os.devnull, "true"], capture_output=True).returncode == 0:
        return strace
    return None


def program_pid(root_pid, program):
    """The pid running PROGRAM: ROOT_PID itself (setpriv execs in place) or, under strace, one of its children."""
    wanted = os.path.realpath(program)
    candidates = [str(root_pid)]
    try:
        with open(f"/proc/{root_pid}/task/{root_pid}/children") as handle:
            candidates += handle.read().split()
    except OSError:
        pass
    for pid in candidates:
        try:
            if os.path.realpath(f"/proc/{pid}/exe") == wanted:
                return int(pid)
        except OSError:
            continue
    return None


def wait_for_handler(child, program):
    """The program's pid once it catches SIGTERM (bit 15 of SigCgt); None if it ends or takes too long."""
    deadline = time.monotonic() + STOP_TIMEOUT_S
    while time.monotonic() < deadline and child.poll() is None:
        pid = program_pid(child.pid, program)
        if pid is not None:
            try:
                with open(f"/proc/{pid}/status") as handle:
                    caught = next(int(line.split()[1], 16) for line in handle if line.startswith("SigCgt:"))
                if caught & (1 << (signal.SIGTERM - 1)):
                    return pid
            except (OSError, StopIteration):
                pass
        time.sleep(0.02)
    return None


def main():
    global strict
    args = sys.argv[1:]
    if args[:1] == ["--strict"]:
        strict = True
        args = args[1:]
    if len(args) == 2 and args[0] == "--install":
        with tempfile.TemporaryDirectory(prefix="kovrin-prefix-") as prefix:
            os.chmod(prefix, 0o755)  # the program runs as another user when this runs as root
            subprocess.run(["cmake", "--install", args[1], "--prefix", prefix], check=True,
                           stdout=subprocess.DEVNULL)
            return check_prefix(prefix)
    if len(args) != 1:
        sys.exit(__doc__)
    return check_prefix(os.path.abspath(args[0]))


def check_prefix(prefix):
    check_layout(prefix)
    version = check_cli(prefix)
    check_modules(prefix)
    check_manual_pages(prefix)
    check_metainfo(prefix, version)
    check_completion(prefix)
    check_package_documents(prefix, version)
    check_program(prefix)
    for message in failures:
        print("FAIL:", message)
    print(f"check_installed {prefix}: {'all checks passed' if not failures else f'{len(failures)} failed'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
