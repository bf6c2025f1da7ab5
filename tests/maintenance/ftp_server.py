#!/usr/bin/env python3
"""A passive FTP server on 127.0.0.1 for the version-up tests.

Serves ROOT to one account at a free port, writes the port to PORT_FILE once
it listens, and ends when its standard input closes (so a test that dies
leaves no server behind).

Usage: ftp_server.py ROOT PORT_FILE USER PASSWORD [--read-only-upload]
"""

import os
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    root, port_file, user, password = sys.argv[1:5]
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, root, perm="elradfmwMT")
    if "--read-only-upload" in sys.argv[5:]:
        authorizer.override_perm(user, os.path.join(root, "mox", "upload"), "elr", recursive=True)
    handler = FTPHandler
    handler.authorizer = authorizer
    handler.passive_ports = None
    server = FTPServer(("127.0.0.1", 0), handler)
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
