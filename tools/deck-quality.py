#!/usr/bin/env python3
"""How good are the decks tavro makes of a set of pages?

    tools/deck-quality.py [CONVERT_OPTION...] TAVRO DTD PAGE_OR_FOLDER...

Converts every page (folders are searched for .htm and .html files) with `TAVRO convert`,
validates each deck against the WML 1.1 DTD with xmllint (no network), and measures the share
of the page's words that the deck keeps in order: the longest run of the page's words, in
order, that the deck also holds, over the page's word count. The page's words are the text of
its body as a browser shows it (no scripts, styles or head); the deck's words are its text as a
phone shows it ("$$" is one dollar). A frameset is converted frame by frame (frames whose pages are missing are left out).

Prints one line a page and a summary: decks valid, pages failed, and the mean and lowest word
share. Options before TAVRO (such as --unwrap-layout) go to every `convert`. Exit status 0 whatever the verdicts (this is a measurement, not a test).
"""

import codecs
import difflib
import html.parser
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

HIDDEN = {"script", "style", "head", "title", "noscript", "template", "noframes", "iframe", "object", "frameset"}


# Elements that start a new line in a browser: words on either side of them are apart.
BLOCKS = {"p", "div", "br", "li", "ul", "ol", "dl", "dt", "dd", "h1", "h2", "h3", "h4", "h5", "h6",
          "table", "tr", "td", "th", "caption", "pre", "blockquote", "hr", "address", "center",
          "form", "fieldset", "legend", "section", "article", "aside", "header", "footer", "nav",
          "main", "figure", "figcaption", "option", "select", "img", "input", "textarea", "button"}


class PageText(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.text = []
        self.hidden = 0
        self.frames = []

    def handle_starttag(self, tag, attrs):
        if tag == "frame":
            self.frames.extend(v for k, v in attrs if k == "src" and v)
        if tag in HIDDEN:
            self.hidden += 1
        if tag in BLOCKS:
            self.text.append(" ")

    def handle_endtag(self, tag):
        if tag in HIDDEN and self.hidden:
            self.hidden -= 1
        if tag in BLOCKS:
            self.text.append(" ")

    def handle_data(self, data):
        if not self.hidden:
            self.text.append(data)

    @property
    def words(self):
        return "".join(self.text).replace("\u00b7", " ").split()


def decoded(raw):
    """The page's text, read as a browser reads it: by its byte order mark, its meta charset,
    as UTF-8 when it is valid, else by a guess from its bytes (charset_normalizer, where it is
    installed) and last as windows-1252."""
    for mark, codec in ((b"\xef\xbb\xbf", "utf-8-sig"), (b"\xff\xfe", "utf-16"), (b"\xfe\xff", "utf-16")):
        if raw.startswith(mark):
            return raw.decode(codec, errors="replace")
    declared = re.search(rb"<meta[^>]+charset\s*=\s*[\"']?([-\w.:]+)", raw[:4096], re.I)
    if declared:
        try:
            codec = codecs.lookup(declared.group(1).decode("ascii")).name
            if codec not in ("utf-16", "utf-16-le", "utf-16-be"):
                return raw.decode("cp1252" if codec in ("latin-1", "iso8859-1", "ascii") else codec, errors="replace")
        except LookupError:
            pass
    try:
        return raw.decode("utf-8")
    except UnicodeDecodeError:
        pass
    try:
        import charset_normalizer
        best = charset_normalizer.from_bytes(raw).best()
        if best is not None:
            return str(best)
    except ImportError:
        pass
    return raw.decode("cp1252", errors="replace")


def page_words(path):
    with open(path, "rb") as f:
        raw = f.read()
    parser = PageText()
    text = decoded(raw)
    parser.feed(text)
    return parser.words, parser.frames


def deck_words(deck):
    parts = []

    def walk(element):
        # Lines and cells keep their words apart; formatting does not.
        apart = element.tag in ("card", "p", "br", "td", "tr", "table", "option", "select", "img", "input")
        if apart:
            parts.append(" ")
        parts.append(element.text or "")
        for child in element:
            walk(child)
            parts.append(child.tail or "")
        if apart:
            parts.append(" ")

    walk(ET.fromstring(deck))
    # A "$$" is one dollar; the bullets the deck gives list items are not words of the page.
    return "".join(parts).replace("$$", "$").replace("\u00b7", " ").split()


def kept_in_order(page, deck):
    if not page:
        return 1.0
    matcher = difflib.SequenceMatcher(None, page, deck, autojunk=False)
    return sum(block.size for block in matcher.get_matching_blocks()) / len(page)


def pages_of(args):
    for arg in args:
        if os.path.isdir(arg):
            for folder, _, files in sorted(os.walk(arg)):
                for name in sorted(files):
                    if name.lower().endswith((".htm", ".html")):
                        yield os.path.join(folder, name)
        else:
            yield arg


def main():
    args = sys.argv[1:]
    options = []
    while args and args[0].startswith("--"):
        options.append(args.pop(0))
    if len(args) < 3:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    tavro, dtd = args[0], args[1]
    valid = decks = failed = 0
    shares = []
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "deck.wml")
        for page in pages_of(args[2:]):
            words, frames = page_words(page)
            folder = os.path.dirname(page)
            frames = [f for f in frames if os.path.isfile(os.path.join(folder, f))]
            for frame in frames or [None]:
                cmd = [tavro, "convert", page, "-o", out] + options + (["--frame", frame] if frame else [])
                run = subprocess.run(cmd, capture_output=True, timeout=300)
                label = page + (f" [{frame}]" if frame else "")
                if run.returncode != 0:
                    failed += 1
                    print(f"{label}: FAILED {run.stderr.decode(errors='replace').strip()[:120]}")
                    continue
                with open(out, "rb") as f:
                    deck = f.read()
                check = subprocess.run(["xmllint", "--noout", "--nonet", "--dtdvalid", dtd, out],
                                       capture_output=True)
                decks += 1
                ok = check.returncode == 0
                valid += ok
                if frame:
                    frame_path = os.path.join(os.path.dirname(page), frame)
                    words = page_words(frame_path)[0] if os.path.isfile(frame_path) else []
                share = kept_in_order(words, deck_words(deck))
                shares.append(share)
                first = check.stderr.decode(errors="replace").splitlines()[:1]
                print(f"{label}: {'VALID' if ok else 'NOT-VALID'} words {share:.3f}"
                      + ("" if ok else f"  {first[0][:160] if first else ''}"))
    mean = sum(shares) / len(shares) if shares else 0
    low = min(shares) if shares else 0
    print(f"summary: {valid} of {decks} decks valid, {failed} failed, words kept in order: mean {mean:.3f}, lowest {low:.3f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
