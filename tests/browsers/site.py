#!/usr/bin/env python3
"""A small web site for making real browser profiles that hold every kind of trace, each with a
marker of its own: a chain of linked pages (visits with marked addresses and titles, a search-like
address, a bookmarked page), cookies set by header and by script, cacheable parts, favicons, and a
last page that writes site storage, registers a service worker and downloads a file before it
closes the window.

Erased traces carry `corvmark-<kind>`; what the user keeps carries `corvkeep-<kind>`. No kind is a
prefix of another, so a search for a kind finds all its strings. The page scripts build the storage
markers at run time, so a page's own source (in the browser's cache) never holds them: a storage
marker found on disk was written by the browser's storage, not copied from the page.

Serves on 127.0.0.1 at the port given (0: a free one, written to the file given as the second
argument); each path served is added as one line to the file given as the third argument, so a
script can wait for a browser to reach a page."""
import http.server
import struct
import sys
import zlib

# The chain: each page leads to the next; the last one stores, downloads and closes.
CHAIN = ["/corvmark-visit-first", "/corvmark-search-page?q=corvmark-search-term",
         "/corvkeep-bookmarked", "/corvmark-visit-store"]

PAGE = """<!doctype html><html><head><title>{title}</title>
<link rel="icon" type="image/png" href="{icon}">
<link rel="stylesheet" href="/corvmark-subres-style-{n}.css"></head>
<body><h1>{title}</h1><img src="/corvmark-subres-picture-{n}.svg">
<a id="next" href="{next}">next</a>
<a id="download" href="/corvmark-download-file" download="corvane-fetched.txt">download</a>
<script>
var M = function (kind) {{ return ["corvmark", kind].join("-"); }};
document.cookie = M("cookie-script") + "=" + M("cookie-scriptvalue") + "; max-age=86400; path=/";
var chained = new URLSearchParams(location.search).has("chain");
function step() {{
  if ("{next}" === "close") window.close();
  else location.href = document.getElementById("next").href;
}}
{body}
</script></body></html>"""

FOLLOW = """if (chained) setTimeout(step, 700);"""

# The storage page: every kind of site storage, a service worker, then a download, then the end.
STORE = """async function store() {
  localStorage.setItem(M("local-key"), M("local-value"));
  sessionStorage.setItem(M("session-key"), M("session-value"));
  await new Promise(function (done, failed) {
    var open = indexedDB.open(M("idb-database"), 1);
    open.onupgradeneeded = function () { open.result.createObjectStore(M("idb-objects")); };
    open.onerror = failed;
    open.onsuccess = function () {
      var tx = open.result.transaction(M("idb-objects"), "readwrite");
      tx.objectStore(M("idb-objects")).put(M("idb-value"), M("idb-key"));
      tx.oncomplete = function () { open.result.close(); done(); };
      tx.onerror = failed;
    };
  });
  var cache = await caches.open(M("cstore-name"));
  await cache.put("/" + M("cstore-request"),
                  new Response(M("cstore-body"), {headers: {"Content-Type": "text/plain"}}));
  await navigator.serviceWorker.register("/sw.js", {scope: "/"});
  await navigator.serviceWorker.ready;
  document.title = document.title + " stored";
}
store().then(function () {
  if (!chained) return;
  document.getElementById("download").click();
  setTimeout(step, 4000);
}, function (e) { document.title = "store failed: " + e; });"""

SERVICE_WORKER = """// corvmark-sw-script: a worker that only takes over its scope.
self.addEventListener("install", function () { self.skipWaiting(); });
self.addEventListener("activate", function (e) { e.waitUntil(self.clients.claim()); });
"""


def png(rgb):
    """A 16 x 16 one-colour PNG, a favicon every browser decodes."""
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff))
    rows = b"".join(b"\0" + bytes(rgb) * 16 for _ in range(16))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 16, 16, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def send(self, body, kind, headers=()):
        data = body if isinstance(body, bytes) else body.encode()
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(data)))
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(data)

    def page(self, path, query):
        base = [p.partition("?")[0] for p in CHAIN]
        k = base.index(path)
        chain = "chain" in query
        if k + 1 < len(CHAIN):
            nxt = CHAIN[k + 1] + (("&" if "?" in CHAIN[k + 1] else "?") + "chain=1" if chain else "")
        else:
            nxt = "close"
        kept = path.startswith("/corvkeep")
        title = "corvkeep-title-bookmarked" if kept else "corvmark-title-%d" % k
        icon = "/corvkeep-favicon.png" if kept else "/corvmark-favicon-%d.png" % k
        body = STORE if k == len(CHAIN) - 1 else FOLLOW
        cookie = "corvmark-cookie-header%d=corvmark-cookie-headervalue%d; Max-Age=86400; Path=/"
        self.send(PAGE.format(title=title, icon=icon, n=k, next=nxt, body=body), "text/html",
                  [("Cache-Control", "max-age=86400"), ("Set-Cookie", cookie % (k, k))])

    def do_GET(self):
        path, _, query = self.path.partition("?")
        if len(sys.argv) > 3:
            with open(sys.argv[3], "a") as served:
                served.write(path + "\n")
        cache = [("Cache-Control", "max-age=86400")]
        if path in [p.partition("?")[0] for p in CHAIN]:
            self.page(path, query)
        elif path.endswith(".css"):
            self.send("body { color: #123456; }", "text/css", cache)
        elif path.endswith(".svg"):
            self.send('<svg xmlns="http://www.w3.org/2000/svg" width="8" height="8"></svg>',
                      "image/svg+xml", cache)
        elif path.endswith(".png"):
            self.send(png((40, 90, 200) if "corvkeep" in path else (200, 60, 30)), "image/png",
                      cache)
        elif path == "/sw.js":
            self.send(SERVICE_WORKER, "text/javascript", [("Cache-Control", "no-cache")])
        elif path == "/corvmark-download-file":
            self.send("a file the user downloaded\n", "application/octet-stream",
                      [("Content-Disposition", 'attachment; filename="corvane-fetched.txt"')])
        else:
            self.send_response(404)
            self.send_header("Content-Length", "0")
            self.end_headers()


server = http.server.ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), Handler)
if len(sys.argv) > 2:
    with open(sys.argv[2], "w") as f:
        f.write(str(server.server_address[1]))
server.serve_forever()
