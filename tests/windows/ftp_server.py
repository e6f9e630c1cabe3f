"""A loopback FTP server for the download library's tests.

Serves ROOT read-only to one account on 127.0.0.1, on a port the system picks, and writes
that port to PORT_FILE once it listens. A file whose name starts with "broken" breaks off
after its first block, the way a dropped link would; one named "endless..." sends without
end, one named "trickle..." sends a byte every fifth of a second for ever.

    python3 ftp_server.py ROOT PORT_FILE USER PASSWORD
"""
import os
import sys
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


class BreaksOff:
    """A file that yields one block and then fails."""

    def __init__(self, file):
        self._file = file
        self._blocks = 0
        self.name = file.name
        self.closed = False

    def read(self, size=-1):
        self._blocks += 1
        if self._blocks > 1:
            raise OSError("link dropped")
        return self._file.read(size)

    def close(self):
        self.closed = True
        self._file.close()


class Endless(BreaksOff):
    """A file that never ends."""

    def read(self, size=-1):
        return b"x" * (size if size and size > 0 else 65536)


class Trickles(BreaksOff):
    """A file that never ends and comes a byte at a time."""

    def read(self, size=-1):
        time.sleep(0.2)
        return b"x"


class Files(AbstractedFS):
    def open(self, filename, mode):
        file = super().open(filename, mode)
        name = os.path.basename(filename)
        if name.startswith("broken"):
            return BreaksOff(file)
        if name.startswith("endless"):
            return Endless(file)
        if name.startswith("trickle"):
            return Trickles(file)
        return file


def main():
    root, port_file, user, password = sys.argv[1:5]
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, root, perm="elr")
    handler = FTPHandler
    handler.authorizer = authorizer
    handler.abstracted_fs = Files
    handler.auth_failed_timeout = 0.1
    server = FTPServer(("127.0.0.1", 0), handler)
    port = server.socket.getsockname()[1]
    with open(port_file + ".part", "w") as out:
        out.write(str(port))
    os.replace(port_file + ".part", port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
