#!/usr/bin/env python3

# SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
#
# SPDX-License-Identifier: MIT

"""Stand-in product-page site for the end-to-end test: records each request's decoded query.

Usage: query_echo_server.py RECORD_FILE
Listens on 127.0.0.1 at a free port and prints that port on the first line of
standard output. Every GET appends one JSON line to RECORD_FILE:
{"path": ..., "query": {name: [values...]}}, decoded as UTF-8 the way a CGI
script would see them.
"""
import http.server
import json
import sys
import urllib.parse


class QueryEchoHandler(http.server.BaseHTTPRequestHandler):
    record_file = None

    def do_GET(self):
        parts = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(parts.query, keep_blank_values=True,
                                      encoding="utf-8", errors="strict")
        record = {"path": parts.path, "query": query}
        with open(self.record_file, "a", encoding="utf-8") as out:
            out.write(json.dumps(record, ensure_ascii=True) + "\n")
        body = b"recorded\n"
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, format, *args):
        pass  # the test reads the record file, not the server's chatter


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: query_echo_server.py RECORD_FILE\n")
        return 2
    QueryEchoHandler.record_file = sys.argv[1]
    server = http.server.HTTPServer(("127.0.0.1", 0), QueryEchoHandler)
    print(server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
