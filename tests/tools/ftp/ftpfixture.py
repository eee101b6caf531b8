#!/usr/bin/python3
"""FTP test server for the engine tests: prints "PORT <n>" once it listens on 127.0.0.1."""
import argparse
import os
import socket
import stat
import sys
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


class DosListingFS(AbstractedFS):
    """Lists directories the way DOS-style servers do."""

    def format_list(self, basedir, listing, ignore_err=True):
        for basename in listing:
            st = os.lstat(os.path.join(basedir, basename))
            date = time.strftime('%m-%d-%y  %I:%M%p', time.localtime(st.st_mtime))
            if stat.S_ISDIR(st.st_mode):
                line = '%s       <DIR>          %s\r\n' % (date, basename)
            else:
                line = '%s %20d %s\r\n' % (date, st.st_size, basename)
            yield line.encode('utf8')


class SlowPeerDTPHandler(ThrottledDTPHandler):
    """A slow server far away: besides its rate, it holds little unread in its receive buffer,
    so what the client sees taken is what the server has read."""

    def __init__(self, sock, cmd_channel):
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 65536)
        super().__init__(sock, cmd_channel)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--root', required=True)
    parser.add_argument('--dos', action='store_true')
    parser.add_argument('--throttle', type=int, default=0, help='bytes per second')
    parser.add_argument('--max-cons', type=int, default=0)
    args = parser.parse_args()

    authorizer = DummyAuthorizer()
    welcome = ('Welcome to the test server. This greeting runs over several lines\r\n'
               '230 looks like a reply but belongs to the greeting\r\n'
               'and ends only at the last line')
    authorizer.add_user('tester', 'secret', args.root, perm='elradfmwMT',
                        msg_login='Hello tester, this login message is long enough to be '
                                  'sent as a multi-line reply by the server')
    authorizer.add_anonymous(args.root, perm='elradfmwMT')

    handler = FTPHandler
    handler.authorizer = authorizer
    handler.banner = welcome
    handler.auth_failed_timeout = 0.01
    handler.permit_foreign_addresses = False
    if args.dos:
        handler.abstracted_fs = DosListingFS
    if args.throttle:
        dtp = SlowPeerDTPHandler
        dtp.read_limit = args.throttle
        dtp.write_limit = args.throttle
        handler.dtp_handler = dtp

    server = FTPServer(('127.0.0.1', 0), handler)
    if args.max_cons:
        server.max_cons = args.max_cons
    print('PORT %d' % server.socket.getsockname()[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == '__main__':
    sys.exit(main())
