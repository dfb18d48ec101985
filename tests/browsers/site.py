#!/usr/bin/env python3
"""A small web site for making real browser profiles: linked pages that set cookies (by header and
by script), are cacheable, and carry a form. Serves on 127.0.0.1 at the port given (0: a free one,
written to the file given as the second argument); each page served is added as one line to the
file given as the third argument, so a script can wait for a browser to reach a page."""
import http.server
import sys

PAGE = """<!doctype html><html><head><title>Corvane test page {n}</title>
<link rel="stylesheet" href="/style-{n}.css"></head>
<body><h1>page {n}</h1><img src="/picture-{n}.svg">
<form id="f" action="/page{n}" method="get"><input name="corvaneterm" value="corvane-form-{n}">
</form><a id="next" href="{next}">next</a>
<script>
document.cookie = "scriptcookie{n}=corvane-script-cookie-{n}; max-age=86400; path=/";
var params = new URLSearchParams(location.search);
if (params.has("chain")) {{
  setTimeout(function () {{
    if ("{next}" === "close") window.close();
    else document.getElementById("next").click();
  }}, 700);
}}
</script></body></html>"""


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def send(self, body, kind, cookie=None):
        data = body.encode()
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Cache-Control", "max-age=86400")
        if cookie:
            self.send_header("Set-Cookie", cookie + "; Max-Age=86400; Path=/")
        self.end_headers()
        self.wfile.write(data)

    def do_GET(self):
        path, _, query = self.path.partition("?")
        if path.startswith("/page"):
            if len(sys.argv) > 3:
                with open(sys.argv[3], "a") as served:
                    served.write(path + "\n")
            n = path[5:] or "1"
            if not n.isdigit():
                n = "1"
            k = int(n)
            chain = "chain" in query
            nxt = "close" if k >= 3 else "/page%d%s" % (k + 1, "?chain=1" if chain else "")
            self.send(PAGE.format(n=k, next=nxt), "text/html",
                      "headercookie%d=corvane-header-cookie-%d" % (k, k))
        elif path.startswith("/style-"):
            self.send("body { color: #123456; }", "text/css")
        elif path.startswith("/picture-"):
            self.send('<svg xmlns="http://www.w3.org/2000/svg" width="8" height="8"></svg>',
                      "image/svg+xml")
        else:
            self.send_response(404)
            self.send_header("Content-Length", "0")
            self.end_headers()


server = http.server.ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), Handler)
if len(sys.argv) > 2:
    with open(sys.argv[2], "w") as f:
        f.write(str(server.server_address[1]))
server.serve_forever()
