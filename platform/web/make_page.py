#!/usr/bin/env python3
"""Fills the browser build's page template (platform/web/page.html).

make_page.py TEMPLATE OUT --script glimmerhorn.js [--icon icon.png]
    the site's page: the script is a file beside it;
make_page.py TEMPLATE OUT --inline glimmerhorn.js --wasm glimmerhorn.wasm --data gfx.data [--icon icon.png]
    the single file: the script, the program and the picture in the page itself.
The Content-Security-Policy allows nothing from outside the page: its own files (or, in the single
file, its own inline script by hash), WebAssembly compilation, the icon and the picture as data."""
import argparse
import base64
import hashlib
import re


def sha256(text):
    return "'sha256-" + base64.b64encode(hashlib.sha256(text.encode()).digest()).decode() + "'"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("template")
    parser.add_argument("out")
    parser.add_argument("--script")
    parser.add_argument("--inline")
    parser.add_argument("--wasm")
    parser.add_argument("--data")
    parser.add_argument("--icon")
    args = parser.parse_args()
    page = open(args.template, encoding="utf-8").read()
    style = re.search(r"<style>(.*?)</style>", page, re.S).group(1)
    icon = ""
    if args.icon:
        icon = "data:image/png;base64," + base64.b64encode(open(args.icon, "rb").read()).decode()
    # files in the page: base64 in script elements that are never run, which page.js reads
    data = ""
    for name, path in (("gfx-data", args.data), ("program-wasm", args.wasm)):
        if path:
            encoded = base64.b64encode(open(path, "rb").read()).decode()
            data += '<script type="application/octet-stream" id="' + name + '">' + encoded + "</script>\n"
    if args.inline:
        code = open(args.inline, encoding="utf-8").read().replace("</script", "<\\/script")
        script = "<script>" + code + "</script>"
        scripts = sha256(code)
        connect = "'none'"
    else:
        script = '<script src="' + args.script + '"></script>'
        scripts = "'self'"
        connect = "'self'"
    csp = ("default-src 'none'; script-src " + scripts + " 'wasm-unsafe-eval'; style-src " + sha256(style)
           + "; img-src data:; connect-src " + connect + "; base-uri 'none'; form-action 'none'")
    for mark, value in (("@CSP@", csp), ("@ICON@", icon), ("@DATA@", data), ("@SCRIPT@", script)):
        page = page.replace(mark, value)
    with open(args.out, "w", encoding="utf-8") as out:
        out.write(page)


if __name__ == "__main__":
    main()
