#!/usr/bin/python3
"""The game as it is installed: into a DESTDIR, moved to another prefix, and as a Debian package.

- `cmake --install` into a temporary DESTDIR installs exactly the expected files; the installed
  game, started from a directory without data, shows its menu; so does the tree moved elsewhere.
- The menu entry, the AppStream metainfo, the manual pages and the server's systemd unit pass their
  validators.
- `cpack -G DEB` makes velmora_<version>_amd64.deb; unpacked, its game shows its menu, and lintian
  reports no errors.
- The game and the headless programs answer --help, --version and bad options like Unix tools;
  the game alone, without its data, says in one line on standard output where it looked, with
  status 1.
    install_test.py --build BUILD_DIR
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "window"))
from window_test import Failure, Game, Judge, on_display, wait_for  # noqa: E402

VERSION = "0.10"
HEADLESS = ["velmora-referee", "velmora-player", "velmora-selfplay", "velmora-server"]
# Each program's option with a value, what a value outside its range is told, and such a value.
NUMBER = {"velmora-referee": ("--port", "--port takes a number from 1 to 65535", "70000"),
          "velmora-player": ("--port", "--port takes a number from 1 to 65535", "0"),
          "velmora-selfplay": ("--players", "--players takes a number from 2 to 5", "9"),
          "velmora-server": ("--quick-seats", "--quick-seats takes a number from 2 to 5", "6"),
          "velmora": ("--window", "--window takes a size such as 1200x900", "1200x9")}
EXPECTED = sorted(
    ["bin/" + p for p in ["velmora"] + HEADLESS]
    + ["share/applications/velmora.desktop", "share/doc/velmora/changelog.gz",
       "share/doc/velmora/copyright", "share/metainfo/org.velmora.Velmora.metainfo.xml",
       "share/velmora/3rdparty/deck_default.bmp", "share/velmora/3rdparty/deck_contrast.bmp",
       "share/velmora/3rdparty/velmora-icon.bmp", "lib/systemd/system/velmora-server.service"]
    + [f"share/man/man6/{p}.6.gz" for p in ["velmora"] + HEADLESS]
    + [f"share/icons/hicolor/{n}x{n}/apps/velmora.png" for n in (48, 64, 128, 256)]
    + [f"share/velmora/3rdparty/font/data/{f}/font.{e}" for f in ("font1", "font2")
       for e in ("ini", "raw", "dat")]
    + [f"share/locale/{lang}/LC_MESSAGES/velmora.mo" for lang in ("de", "es", "fr")]
    + [f"share/velmora/sounds/{n}.wav" for n in ("card-laid", "pile-moved", "card-drawn",
                                                 "your-turn", "refused", "won", "lost")])


def run(command, **kw):
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300,
                          **kw)


def files_below(root):
    return sorted(os.path.relpath(os.path.join(d, f), root)
                  for d, _, names in os.walk(root) for f in names)


def shows_menu(args, env, judge, program, what, welcome="Welcome to Velmora!"):
    """Starts `program` from a directory without data: its menu must appear, saying `welcome`;
    then closes it."""
    game = Game(args, env, program=program, cwd=tempfile.mkdtemp())
    wait_for(f"the menu of {what}", lambda: judge.status(game.shot()) == welcome, 20)
    if game.close() != 0:
        raise Failure(f"{what} did not end with status 0: {game.output()}")
    print(f"{what}: the menu shows")


def validators(prefix):
    checks = [["desktop-file-validate", f"{prefix}/share/applications/velmora.desktop"],
              ["appstreamcli", "validate", "--no-net",
               f"{prefix}/share/metainfo/org.velmora.Velmora.metainfo.xml"]]
    for check in checks:
        done = run(check)
        if done.returncode != 0:
            raise Failure(f"{' '.join(check)}: {done.stdout.decode()}{done.stderr.decode()}")
    for page in ["velmora"] + HEADLESS:
        text = run(["zcat", f"{prefix}/share/man/man6/{page}.6.gz"]).stdout
        done = subprocess.run(["groff", "-man", "-ww", "-z"], input=text, timeout=60,
                              stderr=subprocess.PIPE)
        if done.returncode != 0 or done.stderr:
            raise Failure(f"the manual page of {page}: {done.stderr.decode()}")
    # The unit names the server where it was installed (prefix /usr); a copy naming it where
    # the tree now lies is verified.
    with open(f"{prefix}/lib/systemd/system/velmora-server.service") as f:
        unit = f.read()
    if "ExecStart=/usr/bin/velmora-server " not in unit:
        raise Failure("the unit does not start the installed server")
    copy = os.path.join(tempfile.mkdtemp(), "velmora-server.service")
    with open(copy, "w") as f:
        f.write(unit.replace("/usr/bin/", f"{prefix}/bin/"))
    done = run(["systemd-analyze", "verify", "--man=no", copy])
    if done.returncode != 0 or done.stderr:
        raise Failure(f"systemd-analyze verify: {done.stdout.decode()}{done.stderr.decode()}")
    print("desktop entry, metainfo, manual pages and the server's unit validate")


def unix_tools(bindir):
    for name in HEADLESS + ["velmora"]:
        program = os.path.join(bindir, name)
        done = run([program, "--help"])
        if done.returncode != 0 or not done.stdout.startswith(f"usage: {name}".encode()) \
                or done.stderr:
            raise Failure(f"{name} --help: status {done.returncode}, {done.stdout!r}")
        done = run([program, "--version"])
        if done.returncode != 0 or done.stdout.decode() != f"{name} {VERSION}\n":
            raise Failure(f"{name} --version: status {done.returncode}, {done.stdout!r}")
        option, refusal, outside = NUMBER[name]
        for bad, problem in [(["--bogus"], "unknown option '--bogus'"),
                             ([option], f"option {option} needs a value"),
                             ([option, outside], refusal)]:
            done = run([program] + bad)
            lines = done.stderr.decode().splitlines()
            if done.returncode != 2 or done.stdout or len(lines) < 2 \
                    or problem not in lines[0] or not lines[1].startswith(f"usage: {name}"):
                raise Failure(f"{name} {' '.join(bad)}: status {done.returncode}, {lines}")
    print("the game and the headless programs: --help, --version and bad options")


def game_without_data(bindir):
    alone = tempfile.mkdtemp()
    shutil.copy(os.path.join(bindir, "velmora"), alone)
    done = run([os.path.join(alone, "velmora")], cwd=tempfile.mkdtemp())
    lines = done.stdout.decode().splitlines()
    tried = f"in ., {alone}, {alone}/../share/velmora"
    if done.returncode != 1 or len(lines) != 1 or not lines[0].startswith("Error: ") \
            or tried not in lines[0]:
        raise Failure(f"without data: status {done.returncode}, output {lines}")
    print("without data: " + lines[0])


def debian_package(args, env, judge, work):
    done = run(["cpack", "-G", "DEB", "-B", work], cwd=args.build)
    deb = os.path.join(work, f"velmora_{VERSION}_amd64.deb")
    if done.returncode != 0 or not os.path.exists(deb):
        raise Failure("cpack: " + done.stdout.decode() + done.stderr.decode())
    unpacked = os.path.join(work, "unpacked")
    run(["dpkg-deb", "-x", deb, unpacked], check=True)
    shows_menu(args, env, judge, os.path.join(unpacked, "usr/games/velmora"), "the package's game")
    # The shared-library check makes every library the programs link a dependency.
    depends = run(["dpkg-deb", "-f", deb, "Depends"]).stdout.decode()
    for library in ("libsdl1.2debian", "libsdl-net1.2", "libsdl-mixer1.2"):
        if library not in depends:
            raise Failure(f"the package does not depend on {library}: {depends}")
    with open(os.path.join(unpacked, "lib/systemd/system/velmora-server.service")) as f:
        if "ExecStart=/usr/games/velmora-server " not in f.read():
            raise Failure("the package's unit does not start /usr/games/velmora-server")
    report = run(["lintian", "--allow-root", deb]).stdout.decode()
    errors = [line for line in report.splitlines() if line.startswith("E:")]
    if errors:
        raise Failure("lintian: " + "; ".join(errors))
    print("the package: lintian reports no errors" + (f" ({report.count('W:')} warnings)"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    args = parser.parse_args()
    args.build = os.path.abspath(args.build)
    args.shots = None
    work = tempfile.mkdtemp()

    def body(env):
        stage = os.path.join(work, "stage")
        run(["cmake", "--install", args.build, "--prefix", "/usr"],
            env=dict(os.environ, DESTDIR=stage), check=True)
        found = files_below(os.path.join(stage, "usr"))
        if found != EXPECTED:
            raise Failure(f"installed {sorted(set(found) ^ set(EXPECTED))} unlike expected")
        judge = Judge(args)
        shows_menu(args, env, judge, os.path.join(stage, "usr/bin/velmora"), "the installed game")
        moved = os.path.join(work, "moved/opt/games")
        os.makedirs(os.path.dirname(moved))
        shutil.move(os.path.join(stage, "usr"), moved)
        shows_menu(args, env, judge, os.path.join(moved, "bin/velmora"), "the moved tree")
        # The catalogues are found beside the moved data too.
        shows_menu(args, dict(env, LANGUAGE="de", LANG="C.UTF-8"), judge,
                   os.path.join(moved, "bin/velmora"), "the moved tree in German",
                   "Willkommen bei Velmora!")
        validators(moved)
        unix_tools(os.path.join(moved, "bin"))
        game_without_data(os.path.join(moved, "bin"))
        debian_package(args, env, judge, work)
    try:
        return on_display(body)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
