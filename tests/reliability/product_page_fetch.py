#!/usr/bin/env python3

# SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
#
# SPDX-License-Identifier: MIT

"""Fetches product-page URLs from a local web server that decodes each query with Python's standard parser.

Usage: product_page_fetch.py URL_FILE RESULT_FILE
URL_FILE holds one URL per line. Each is sent, with its path and query as
given, to a ThreadingHTTPServer this script runs on 127.0.0.1 (a free port);
the server decodes the query with urllib.parse.parse_qs (UTF-8, strict) and
answers with it as JSON. RESULT_FILE gets one JSON line per URL, in order:
{"path": ..., "query": {name: [values...]}} or {"error": ...}.
"""
import http.client
import http.server
import json
import sys
import threading
import urllib.parse


class QueryHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"  # keep-alive: one connection for every request
    disable_nagle_algorithm = True  # headers and body go out at once, not 40 ms apart

    def do_GET(self):
        parts = urllib.parse.urlsplit(self.path)
        try:
            query = urllib.parse.parse_qs(parts.query, keep_blank_values=True, strict_parsing=True,
                                          encoding="utf-8", errors="strict")
            record = {"path": parts.path, "query": query}
        except ValueError as error:
            record = {"error": "query not parsed: " + str(error)}
        body = json.dumps(record, ensure_ascii=True).encode("ascii")
        self.send_response(200)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, format, *args):
        pass  # the result file is the record


def main():
    if len(sys.argv) != 3:
        sys.stderr.write("usage: product_page_fetch.py URL_FILE RESULT_FILE\n")
        return 2
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), QueryHandler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    connection = http.client.HTTPConnection("127.0.0.1", server.server_address[1], timeout=30)
    with open(sys.argv[1], encoding="utf-8") as urls, open(sys.argv[2], "w", encoding="utf-8") as out:
        for line in urls:
            url = line.rstrip("\n")
            parts = urllib.parse.urlsplit(url)
            target = parts.path + ("?" + parts.query if parts.query or url.endswith("?") else "")
            try:
                connection.request("GET", target)
                answer = connection.getresponse().read().decode("ascii")
            except (http.client.HTTPException, OSError, UnicodeError) as error:
                answer = json.dumps({"error": "request failed: " + str(error)})
                connection.close()
                connection = http.client.HTTPConnection("127.0.0.1", server.server_address[1], timeout=30)
            out.write(answer + "\n")
    server.shutdown()
    return 0


if __name__ == "__main__":
    sys.exit(main())
