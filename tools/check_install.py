#!/usr/bin/env python3
"""Checks `cmake --install` of a build tree into a scratch DESTDIR.

Every file lands where the README says and nothing else is installed; the
installed chess_main, started from an empty folder, answers from the
installed book, while a folder holding a book file of its own, or a missing
data folder, gives exactly the session of the build-tree program; the four
programs answer --help, --version and an unknown argument with their exit
statuses; the manual pages format without warnings.

usage: check_install.py --build DIR --source DIR --prefix P --bindir B
       --datadir D --docdir D --mandir M --plugindir P
Prints each failure and exits 1 when there is any.
"""

import argparse
import gzip
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

PROGRAMS = ["chess_main", "chess_variant", "chess_uci", "chess_book"]
# Replies: no transcript, book on, play White, E2E4; the computer answers.
BOOK_SESSION = b"0\n1\n0\nE2E4\nQUIT\n\n"

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def run(command, cwd=None, stdin=b""):
    return subprocess.run(command, cwd=cwd, input=stdin, capture_output=True, timeout=120)


def main():
    parser = argparse.ArgumentParser()
    for name in ["build", "source", "prefix", "bindir", "datadir", "docdir", "mandir",
                 "plugindir"]:
        parser.add_argument("--" + name, required=True)
    a = parser.parse_args()
    build = pathlib.Path(a.build).resolve()
    source = pathlib.Path(a.source).resolve()

    # A blank in the scratch folder's name checks that DESTDIR may hold one.
    scratch = pathlib.Path(tempfile.mkdtemp(prefix="chess install "))
    try:
        destdir = scratch / "dest dir"
        env = dict(os.environ, DESTDIR=str(destdir))
        result = subprocess.run(["cmake", "--install", str(build)], env=env,
                                capture_output=True, timeout=300)
        if not check(result.returncode == 0, "cmake --install failed: "
                     + result.stderr.decode(errors="replace")):
            return
        root = pathlib.Path(str(destdir) + a.prefix)
        bindir, datadir = root / a.bindir, root / a.datadir
        expected = {f"{a.bindir}/{p}" for p in PROGRAMS}
        expected |= {f"{a.datadir}/{f}" for f in ["MYBOOK.TXT", "WMYBOOK.TXT", "openings.txt"]}
        expected |= {f"{a.docdir}/{f}" for f in ["LICENSE", "copyright", "README.md"]}
        expected |= {f"{a.mandir}/{p}.6.gz" for p in PROGRAMS}
        expected.add(f"{a.plugindir}/quentaro-chess.eng")
        top = a.prefix.strip("/")
        installed = {p.relative_to(destdir).as_posix() for p in destdir.rglob("*")
                     if not p.is_dir()}
        expected = {f"{top}/{e}" if top else e for e in expected}
        check(installed == expected,
              f"installed files differ: missing {sorted(expected - installed)}, "
              f"unexpected {sorted(installed - expected)}")
        for p in PROGRAMS:
            check(os.access(bindir / p, os.X_OK), f"{p} is not executable")
            page = root / a.mandir / f"{p}.6.gz"
            if page.exists():
                check(gzip.decompress(page.read_bytes()) == (source / "man" / f"{p}.6").read_bytes(),
                      f"{page.name} is not the compressed man/{p}.6")

        # The plugin file is its template with the installed program's full
        # path in the command line.
        template = (source / "packaging" / "quentaro-chess.eng.in").read_text()
        plugin = (root / a.plugindir / "quentaro-chess.eng").read_text()
        command = f"{a.prefix}/{a.bindir}/chess_uci"
        check(plugin == template.replace("@CMAKE_INSTALL_PREFIX@/@CHESS_INSTALL_BINDIR@/chess_uci",
                                         command),
              f"plugin file reads {plugin!r}")

        check_arguments(bindir)
        check_book_sessions(scratch, bindir, datadir, build)
        check_man_pages(source)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


def check_arguments(bindir):
    for p in PROGRAMS:
        program = str(bindir / p)
        for arg in ["--help", "--version"]:
            r = run([program, arg])
            check(r.returncode == 0 and r.stdout and not r.stderr,
                  f"{p} {arg}: status {r.returncode}, stderr {r.stderr!r}")
        check(p.encode() in run([program, "--version"]).stdout, f"{p} --version omits its name")
        # chess_book takes line files, so only its options are unknown.
        extra = ["-x", "lines.txt"] if p == "chess_book" else ["--help", "extra"]
        for args in (["--bogus"], extra):
            r = run([program] + args)
            check(r.returncode == 2 and not r.stdout and r.stderr.count(b"\n") == 1,
                  f"{p} {' '.join(args)}: status {r.returncode}, stdout {r.stdout!r}, "
                  f"stderr {r.stderr!r}")


def check_book_sessions(scratch, bindir, datadir, build):
    """The book found where the README says, and nowhere else."""
    installed, built = str(bindir / "chess_main"), str(build / "chess_main")

    def session(program, folder):
        r = run([program], cwd=folder, stdin=BOOK_SESSION)
        check(r.returncode == 0 and not r.stderr,
              f"{program} in {folder.name}: status {r.returncode}, stderr {r.stderr!r}")
        return r.stdout

    empty = scratch / "empty"
    empty.mkdir()
    book_move = b"USING OPENING MOVE# "
    check(book_move in session(installed, empty),
          "the installed chess_main plays no book move from an empty folder")
    build_tree = session(built, empty)
    check(book_move not in build_tree, "the build-tree chess_main found a book in an empty folder")
    check(not any(empty.iterdir()), "a session left files in the empty folder")

    # A folder with a book file of its own (here an empty one, which holds no
    # reply) is read alone, as by the build-tree program.
    own = scratch / "own book"
    own.mkdir()
    (own / "WMYBOOK.TXT").write_bytes(b"")
    check(session(installed, own) == session(built, own) == build_tree,
          "a folder with its own book file did not play as the build-tree program")

    # A corrupt installed book is skipped record by record; a missing data
    # folder means no book.
    (datadir / "MYBOOK.TXT").write_bytes(b"\x00garbage,\n\"unclosed\n" * 50)
    check(session(installed, empty) == build_tree, "a corrupt installed book changed the session")
    shutil.rmtree(datadir)
    check(session(installed, empty) == build_tree,
          "a missing data folder changed the session")


def check_man_pages(source):
    groff = shutil.which("groff")
    if not groff:
        print("groff not found: the manual pages are not checked")
        return
    for p in PROGRAMS:
        r = run([groff, "-ww", "-z", "-man", "-t", str(source / "man" / f"{p}.6")])
        check(r.returncode == 0 and not r.stderr and not r.stdout,
              f"man/{p}.6: groff warns: {r.stderr.decode(errors='replace')}")


if __name__ == "__main__":
    main()
    for f in failures:
        print("FAIL:", f)
    print(f"check_install: {len(failures)} failures")
    sys.exit(1 if failures else 0)
