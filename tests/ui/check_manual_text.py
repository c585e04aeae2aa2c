#!/usr/bin/env python3
"""check_manual_text.py PDFTOTEXT MANUAL.html MANUAL.pdf

The printed manual's text layer must give back what its HTML source says, so that a search in the
PDF viewer finds it: every character of the source's text (each kanji as typed, not as a look-alike
radical) and every word and number ("K-22"). Words are looked for with the white space taken out,
since a line may end inside one. Exit 0 when all are there, 1 otherwise.
"""

import html.parser
import re
import subprocess
import sys


class BodyText(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.parts = []
        self.skipping = 0

    def handle_starttag(self, tag, attrs):
        if tag in ("head", "style", "title"):
            self.skipping += 1

    def handle_endtag(self, tag):
        if tag in ("head", "style", "title"):
            self.skipping -= 1

    def handle_data(self, data):
        if not self.skipping:
            self.parts.append(data)


def main(pdftotext, source, pdf):
    parser = BodyText()
    with open(source, encoding="utf-8") as f:
        parser.feed(f.read())
    typed = " ".join(parser.parts)
    printed = subprocess.run([pdftotext, "-enc", "UTF-8", pdf, "-"], check=True, capture_output=True,
                             text=True, encoding="utf-8").stdout
    packed = re.sub(r"\s+", "", printed)

    missing_characters = sorted({c for c in typed if not c.isspace() and c not in packed})
    words = re.findall(r"[A-Za-z0-9](?:[A-Za-z0-9._@~/$-]*[A-Za-z0-9])?", typed)
    missing_words = sorted({w for w in words if w not in packed})
    # Look-alikes that the text layer should never hold unless the source does: the Kangxi radicals
    # and the CJK radicals supplement, which fonts draw with the kanji's own glyphs.
    radicals = sorted({c for c in printed if 0x2E80 <= ord(c) <= 0x2FDF and c not in typed})

    for c in missing_characters:
        print(f"{pdf}: the character {c} (U+{ord(c):04X}) is not in the text layer")
    for w in missing_words:
        print(f"{pdf}: the word \"{w}\" is not in the text layer")
    for c in radicals:
        print(f"{pdf}: the text layer holds the radical {c} (U+{ord(c):04X}), which the source does not")
    if missing_characters or missing_words or radicals:
        return 1
    print(f"{pdf}: {len(set(typed) - set(' '))} characters and {len(set(words))} words, all in the text layer")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__.splitlines()[0])
    sys.exit(main(*sys.argv[1:]))
