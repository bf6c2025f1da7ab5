#!/usr/bin/env python3
"""A passive FTP server on 127.0.0.1 for the version-up tests.

Serves ROOT to one account at a free port, writes the port to PORT_FILE once
it listens, and ends when its standard input closes (so a test that dies
leaves no server behind).

Usage: ftp_server.py ROOT PORT_FILE USER PASSWORD [--read-only-upload]
                     [--inject NAME]... [--stall-upload] [--trickle NAME]

--inject adds a listing line for NAME to the listing of /mox/download: the
names a broken or hostile server could send, which no file on disk can have.
--stall-upload never answers a command given in /mox/upload, and appends the
command to ROOT/.stalled. --trickle sends the file NAME two bytes a second.
"""

import os
import sys
import threading
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer, ThreadedFTPServer


INJECTED = []
TRICKLED = []


class TrickleFile:
    """A file read two bytes a second."""

    def __init__(self, f):
        self._f = f
        self.name = f.name
        self.closed = False

    def read(self, size=-1):
        time.sleep(1)
        return self._f.read(2)

    def seek(self, *args):
        return self._f.seek(*args)

    def close(self):
        self.closed = True
        self._f.close()


class InjectingFS(AbstractedFS):
    def open(self, filename, mode):
        f = super().open(filename, mode)
        if os.path.basename(filename) in TRICKLED and "r" in mode:
            return TrickleFile(f)
        return f

    def format_list(self, basedir, listing, ignore_err=True):
        for line in super().format_list(basedir, listing, ignore_err):
            yield line
        if os.path.normpath(basedir).endswith(os.path.join("mox", "download")):
            for name in INJECTED:
                line = "-rw-r--r--   1 owner    group           5 Jan 01 00:00 %s\r\n" % name
                yield line.encode("utf8")


def main():
    root, port_file, user, password = sys.argv[1:5]
    options = sys.argv[5:]
    for i, option in enumerate(options):
        if option == "--inject":
            INJECTED.append(options[i + 1])
        if option == "--trickle":
            TRICKLED.append(options[i + 1])
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, root, perm="elradfmwMT")
    if "--read-only-upload" in options:
        authorizer.override_perm(user, os.path.join(root, "mox", "upload"), "elr", recursive=True)
    stalled_log = os.path.join(root, ".stalled")
    stall = "--stall-upload" in options

    class Handler(FTPHandler):
        def pre_process_command(self, line, cmd, arg):
            if stall and self.fs is not None and os.path.normpath(self.fs.cwd).endswith("/mox/upload") and cmd != "QUIT":
                with open(stalled_log, "a") as f:
                    f.write(line + "\n")
                return
            super().pre_process_command(line, cmd, arg)

    handler = Handler
    handler.use_sendfile = False
    handler.authorizer = authorizer
    handler.passive_ports = None
    handler.abstracted_fs = InjectingFS
    # A refused login answers at once: the tests wait for no server delay.
    handler.auth_failed_timeout = 0
    # A trickled file blocks its connection's thread, not the others.
    server = (ThreadedFTPServer if TRICKLED else FTPServer)(("127.0.0.1", 0), handler)
    port = server.socket.getsockname()[1]
    with open(port_file + ".part", "w") as f:
        f.write(str(port))
    os.rename(port_file + ".part", port_file)

    def watch_stdin():
        sys.stdin.read()
        os._exit(0)

    threading.Thread(target=watch_stdin, daemon=True).start()
    server.serve_forever(handle_exit=False)


if __name__ == "__main__":
    import logging
    logging.basicConfig(level=logging.WARNING)
    main()
