#!/usr/bin/env python3
"""Writes a large, reproducible HTML page of paragraphs, tables, lists and
links (the same bytes on every run) for tools/bench-html.sh.

With --pre LINES instead of a size: a source listing as highlighters write
it, one PRE of LINES lines, each with a few inline elements and a tab."""
import random
import sys

def write_listing(out_path, lines):
    keywords = ("int", "return", "static", "const", "while", "if")
    body = "".join(f'<span class=k>{keywords[i % len(keywords)]}</span> x{i} =\t<b>{i}</b>; '
                   f'<i>// line {i}</i>\n' for i in range(lines))
    with open(out_path, "w", encoding="latin-1") as f:
        f.write(f"<html><head><title>Listing</title></head><body><pre>\n{body}</pre></body></html>\n")

def main():
    if len(sys.argv) > 3 and sys.argv[2] == "--pre":
        write_listing(sys.argv[1], int(sys.argv[3]))
        return
    out_path = sys.argv[1]
    target = int(sys.argv[2]) if len(sys.argv) > 2 else 24 * 1024 * 1024
    rng = random.Random(1997)
    words = ("the quick brown fox jumps over a lazy dog while browsers render pages with tables lists "
             "links images forms and text &amp; entities like &copy; or &eacute; appear").split()

    def sentence(n):
        return " ".join(rng.choice(words) for _ in range(n))

    parts = ['<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 3.2//EN">\n<html><head><title>Bench page</title>\n'
             '<style>P { color: navy } .c { margin: 2px }</style></head>\n<body bgcolor="#ffffff">\n']
    size = len(parts[0])
    section = 0
    while size < target:
        section += 1
        chunk = [f'<h2><a name="s{section}">Section {section}</a></h2>\n']
        for _ in range(3):
            chunk.append(f'<p class=c>{sentence(40)} <a href="page{rng.randrange(1000)}.html#x">{sentence(3)}</a> '
                         f'<b>{sentence(4)}</b> <i>{sentence(3)}</i>.</p>\n')
        chunk.append('<table border=1 cellpadding=2 width="90%">\n')
        for r in range(4):
            chunk.append('<tr>' + ''.join(f'<td align=center>{sentence(3)}</td>' for _ in range(4)) + '</tr>\n')
        chunk.append('</table>\n<ul>\n')
        for _ in range(5):
            chunk.append(f'<li><a href="/docs/{rng.randrange(100000)}.html">{sentence(4)}</a> {sentence(6)}\n')
        chunk.append('</ul>\n<ol type=i><li>' + sentence(5) + '<li>' + sentence(5) + '</ol>\n'
                     f'<img src="img{rng.randrange(50)}.gif" alt="{sentence(2)}" width=32 height=32><br>\n')
        text = "".join(chunk)
        parts.append(text)
        size += len(text)
    parts.append('</body></html>\n')
    with open(out_path, "w", encoding="latin-1") as f:
        f.write("".join(parts))

if __name__ == "__main__":
    main()
