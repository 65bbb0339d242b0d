#!/usr/bin/env python3
"""Makes a program's manual page from its --help text and a hand-written part.

    make_manpage.py --program BUILD/orvantis-render --name "..." --version "orvantis 1.0.2"
                    --changelog tools/package/changelog --extra tools/man/orvantis-render.roff
                    [--sub REGEX REPLACEMENT]... -o OUT.1

The usage lines become SYNOPSIS, the text between them and the options and any
later paragraph DESCRIPTION, the option lines OPTIONS; then comes --extra,
whose lines before its first .SH go on with DESCRIPTION and whose sections
(EXIT STATUS, FILES, EXAMPLES, SEE ALSO, ...) follow. The page's date is the
newest changelog entry's, so the same sources make the same page. OUT.1.gz is
written beside OUT.1, compressed as Debian wants manual pages.

The --help text is read in the layout both programs print: "usage:" and one
form a line (longer forms go on, indented, on the next); paragraphs split by
blank lines; an option as "  TERM  description" with its further lines
indented deeper, or "  -TERM" alone with its description below; other
indented lines are examples: captions at two spaces, command lines at four
or more.

The help is read twice, the second time pinned to one CPU: the page must not
describe the machine that built it, so any difference left after --sub stops
the build.
"""
import argparse
import email.utils
import gzip
import itertools
import os
import re
import subprocess
import sys


def fail(message):
    sys.exit(f"make_manpage: {message}")


def read_help(program, pinned):
    name = os.path.basename(program)

    def pin():
        cpus = os.sched_getaffinity(0)
        os.sched_setaffinity(0, {min(cpus)})

    env = dict(os.environ, LC_ALL="C.UTF-8", QT_QPA_PLATFORM="offscreen")
    result = subprocess.run([name, "--help"], executable=program, env=env, capture_output=True, text=True,
                            preexec_fn=pin if pinned else None, check=False)
    if result.returncode != 0 or not result.stdout.strip():
        fail(f"{program} --help failed ({result.returncode}): {result.stderr.strip()}")
    return result.stdout


def substitute(text, subs):
    for pattern, replacement in subs:
        text = re.sub(pattern, replacement, text)
    return text


def roff_text(line):
    """One line of running text: backslashes escaped, option names given
    minus signs and kept from hyphenation, and no control character at its
    start."""
    line = line.replace("\\", "\\e")
    line = re.sub(r"(?<![\w-])--?[A-Za-z][\w=.,-]*", lambda m: "\\%" + m.group(0).replace("-", "\\-"), line)
    return "\\&" + line if line.startswith((".", "'")) else line


def roff_code(line):
    line = line.replace("\\", "\\e").replace("-", "\\-")
    return "\\&" + line if line.startswith((".", "'")) else line


def roff_words(text):
    """A synopsis or an option's term: options and literal words bold,
    placeholders (words with capitals) italic, brackets, bars and ellipses
    plain. Lines break only between groups: not inside brackets, nor between
    an option and its argument."""
    out, depth, after_option = [], 0, False
    for token in re.split(r"(\s+|[\[\]|,]|\.\.\.)", text):
        if not token:
            continue
        if token.isspace():
            out.append("\\ " if depth or after_option else " ")
            continue
        if token in ("[", "]", "|", ",", "..."):
            depth += {"[": 1, "]": -1}.get(token, 0)
            out.append(token)
        else:
            font = "B" if token.startswith("-") or not re.search(r"[A-Z]", token) else "I"
            out.append(f"\\f{font}" + token.replace("-", "\\-") + "\\fR")
        after_option = token.startswith("-")
    return "".join(out)


def indent_of(line):
    return len(line) - len(line.lstrip(" "))


OPTION_TERM = re.compile(r"(-\S.*?|[A-Z][\w.]*\S*)(?:\s{2,}(\S.*))?")


def parse_help(text, name):
    """Returns (forms, description, options): the usage forms without the
    program's name; the description as blocks ("text", lines), ("caption",
    lines) and ("code", lines); the options as (term, lines)."""
    lines = text.rstrip("\n").split("\n")
    head = re.fullmatch(r"(?i)usage:\s*(.*)", lines[0])
    if not head:
        fail(f"{name} --help does not start with a usage line: {lines[0]!r}")
    usage, rest = [head.group(1)], lines[1:]
    while rest and rest[0].strip():
        usage.append(rest.pop(0))
    forms = []
    for line in filter(str.strip, usage):
        words = line.split(None, 1)
        if words[0] == name:
            forms.append(words[1] if len(words) > 1 else "")
        elif forms:
            forms[-1] += " " + line.strip()
        else:
            fail(f"{name} --help: a usage line without the program's name: {line!r}")

    description, options = [], []
    paragraphs, current = [], []
    for line in rest + [""]:
        if line.strip():
            current.append(line)
        elif current:
            paragraphs.append(current)
            current = []
    for paragraph in paragraphs:
        option_list, joins = False, False  # joins: the line before went to description
        for line in paragraph:
            depth, stripped = indent_of(line), line.strip()
            term = OPTION_TERM.fullmatch(stripped) if depth == 2 else None
            if depth == 0:
                option_list = False
                block = ("text", [stripped])
            elif term and (stripped.startswith("-") or term.group(2)):
                option_list, joins = True, False
                options.append((term.group(1), [term.group(2)] if term.group(2) else []))
                continue
            elif option_list and depth > 2:
                options[-1][1].append(stripped)
                continue
            elif depth == 2:
                block = ("caption", [stripped])
            else:
                block = ("code", [line])
            # Lines of one paragraph and kind make one block; each caption is one.
            if joins and description[-1][0] == block[0] and block[0] != "caption":
                description[-1][1].extend(block[1])
            else:
                description.append(block)
            joins = True
    return forms, description, options


def render_description(blocks):
    out = []
    for kind, lines in blocks:
        if kind == "code":
            margin = min(indent_of(line) for line in lines)
            out += [".RS 4", ".nf"] + [roff_code(line[margin:]) for line in lines] + [".fi", ".RE"]
        else:
            out.append(".PP")
            out.extend(roff_text(line) for line in lines)
    return out


def changelog_date(path):
    with open(path, encoding="utf-8") as changelog:
        for line in changelog:
            trailer = re.match(r" -- .+?  (.+)$", line.rstrip("\n"))
            if trailer:
                return email.utils.parsedate_to_datetime(trailer.group(1)).date().isoformat()
    fail(f"{path} has no entry trailer with a date")


def make_page(args, text):
    name = os.path.basename(args.program)
    forms, description, options = parse_help(text, name)
    with open(args.extra, encoding="utf-8") as extra_file:
        extra = extra_file.read().rstrip("\n").split("\n")
    first_section = next((i for i, line in enumerate(extra) if line.startswith(".SH")), len(extra))

    quoted = name.replace("-", "\\-")
    out = [
        f'.\\" Made by tools/man/make_manpage.py from "{name} --help" and {os.path.basename(args.extra)}.',
        f'.TH {quoted.upper()} 1 "{changelog_date(args.changelog)}" "{args.version}" "User Commands"',
        ".nh",  # option names and paths read better unbroken
        ".SH NAME",
        f"{quoted} \\- {args.name}",
        ".SH SYNOPSIS",
    ]
    for form in forms:
        out += [f".SY {quoted}", roff_words(form), ".YS"]
    out.append(".SH DESCRIPTION")
    out += render_description(description)
    out += extra[:first_section]
    if options:
        out.append(".SH OPTIONS")
        for term, lines in options:
            out += [".TP", roff_words(term)] + [roff_text(line) for line in lines]
    out += extra[first_section:]
    return "\n".join(out) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--program", required=True, help="the program whose --help is read")
    parser.add_argument("--name", required=True, help="the NAME line's description")
    parser.add_argument("--version", required=True, help="the source shown in the page's footer")
    parser.add_argument("--changelog", required=True, help="the Debian changelog whose newest date the page carries")
    parser.add_argument("--extra", required=True, help="the hand-written roff: more description, then sections")
    parser.add_argument("--sub", nargs=2, action="append", default=[], metavar=("REGEX", "REPLACEMENT"),
                        help="a substitution in the help text, for what depends on the machine")
    parser.add_argument("-o", "--output", required=True)
    args = parser.parse_args()

    text = substitute(read_help(args.program, pinned=False), args.sub)
    if len(os.sched_getaffinity(0)) > 1:
        pinned = substitute(read_help(args.program, pinned=True), args.sub)
        if pinned != text:
            differing = next(a for a, b in itertools.zip_longest(text.split("\n"), pinned.split("\n"), fillvalue="")
                             if a != b)
            fail(f"{args.program} --help depends on the machine: {differing.strip()!r} changes on one CPU; "
                 "give make_manpage.py a --sub that takes it out")

    page = make_page(args, text)
    with open(args.output, "w", encoding="utf-8") as out:
        out.write(page)
    # gzip -9n: no name, no time stamp.
    with open(args.output + ".gz", "wb") as raw, \
            gzip.GzipFile(filename="", mode="wb", fileobj=raw, compresslevel=9, mtime=0) as compressed:
        compressed.write(page.encode("utf-8"))


if __name__ == "__main__":
    main()
