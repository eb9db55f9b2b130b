#!/usr/bin/env python3
"""A small HTTPS server for the update tests: serves a folder with a certificate made for
the test, writes the port it listens on to a file, and can be told to hold every answer
(a feed that never answers).

  https_server.py ROOT CERT KEY PORTFILE [--silent]
"""
import http.server
import ssl
import sys
import threading
import time


def main():
    root, cert, key, port_file = sys.argv[1:5]
    silent = "--silent" in sys.argv[5:]

    class Handler(http.server.SimpleHTTPRequestHandler):
        def __init__(self, *a, **kw):
            super().__init__(*a, directory=root, **kw)

        def do_GET(self):
            if silent:
                time.sleep(3600)
                return
            super().do_GET()

        def log_message(self, fmt, *args):
            sys.stderr.write("https_server: " + (fmt % args) + "\n")

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    with open(port_file + ".tmp", "w", encoding="ascii") as f:
        f.write(str(server.server_address[1]))
    # Renamed into place so a reader never sees a half-written port.
    import os
    os.replace(port_file + ".tmp", port_file)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    threading.Event().wait()


if __name__ == "__main__":
    main()
