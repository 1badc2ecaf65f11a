#!/usr/bin/env python3
"""Fills the browser build's page template (platform/web/page.html).

make_page.py TEMPLATE OUT --script glimmerhorn.js --program PATH [--icon icon.png]
    the site's page: the script is a file beside it (PATH is that file as built);
make_page.py TEMPLATE OUT --inline glimmerhorn.js --wasm glimmerhorn.wasm --data gfx.data [--icon icon.png]
    the single file: the script, the program and the picture in the page itself.
The Content-Security-Policy allows nothing from outside the page: its own files (or, in the single
file, its own inline script by hash), WebAssembly compilation, the icon and the picture as data.

Both pages carry the single file's own frame (the page-template block: the single file with its
caption, Content-Security-Policy and icon filled in, the data blocks and the script still to come),
from which the page's composer makes a sender's single file in the browser (platform/web/greeting.js)
exactly as this script makes one: the blocks, then the script as single_code has it."""
import argparse
import base64
import hashlib
import html
import os
import re

# the platform layer's header, which says the intro's caption: the page's title and the first words
# of its text
PLATFORM_H = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "platform.h")


def sha256(text):
    return "'sha256-" + base64.b64encode(hashlib.sha256(text.encode()).digest()).decode() + "'"


def block(name, data):
    """A file in the page: base64 in a script element that is never run, which the page reads."""
    return '<script type="application/octet-stream" id="' + name + '">' + base64.b64encode(data).decode() + "</script>\n"


def single_code(program):
    """The program's script as the single file holds it: a </script in it would end the element."""
    return open(program, encoding="utf-8").read().replace("</script", "<\\/script")


def fill(page, marks):
    for mark, value in marks:
        page = page.replace(mark, value)
    return page


def intro_caption():
    header = open(PLATFORM_H, encoding="utf-8").read()
    return re.search(r'constexpr char INTRO_CAPTION\[\] = "([^"\\]*)";', header).group(1)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("template")
    parser.add_argument("out")
    parser.add_argument("--script")
    parser.add_argument("--program")
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

    def csp(scripts, connect):
        # blob: is the sound's worklet, which the page makes from its own script
        return ("default-src 'none'; script-src " + scripts + " 'wasm-unsafe-eval' blob:; style-src " + sha256(style)
                + "; img-src data:; connect-src " + connect + "; base-uri 'none'; form-action 'none'")

    caption = ("@CAPTION@", html.escape(intro_caption()))
    code = single_code(args.inline or args.program)
    frame = fill(page, (caption, ("@CSP@", csp(sha256(code), "'none'")), ("@ICON@", icon)))
    data = block("page-template", frame.encode())
    if args.inline:
        data += block("gfx-data", open(args.data, "rb").read()) + block("program-wasm", open(args.wasm, "rb").read())
        page = fill(frame, (("@DATA@", data), ("@SCRIPT@", "<script>" + code + "</script>")))
    else:
        page = fill(page, (caption, ("@CSP@", csp("'self'", "'self'")), ("@ICON@", icon), ("@DATA@", data),
                           ("@SCRIPT@", '<script src="' + args.script + '"></script>')))
    with open(args.out, "w", encoding="utf-8") as out:
        out.write(page)


if __name__ == "__main__":
    main()
