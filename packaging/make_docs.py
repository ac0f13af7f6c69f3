#!/usr/bin/python3
"""Makes the manual pages and the bash completion from the programs' own --help texts.

    make_docs.py --cli PATH [--gui PATH] --source DIR --out DIR --version V

The written parts (description, exit status, files, examples) live in DIR/man/*.1.in and the
completion's logic in DIR/pm514rx-cli.bash.in; everything that lists verbs and options is filled
in here, so an option added to a program shows up in its page and its completion with no edit.
The pages carry the date of the newest entry of DIR/debian/changelog, which must be version V.
Writes OUT/pm514rx-cli.1, OUT/pm514rx.1 (with --gui), their .gz (as gzip -9n), OUT/pm514rx-cli and
OUT/changelog.gz.
"""

import argparse
import email.utils
import gzip
import os
import re
import subprocess
import tempfile
import sys
from dataclasses import dataclass, field


@dataclass
class Entry:
    """One line of a help listing: an option, a positional argument or a verb."""
    names: list
    value: str  # what follows the names: "TEXT REQUIRED", "<dir>", "" for a flag
    text: list = field(default_factory=list)

    @property
    def is_option(self):
        return self.names[0].startswith("-")

    @property
    def takes_value(self):
        return self.value_type != ""

    @property
    def value_type(self):
        return self.value.replace("REQUIRED", "").replace("...", "").strip()

    @property
    def required(self):
        return "REQUIRED" in self.value.split()

    @property
    def repeatable(self):
        return "..." in self.value.split()

    @property
    def description(self):
        return " ".join(self.text)


@dataclass
class Help:
    """A --help text taken apart: usage, description lines and titled sections of entries."""
    usage: str = ""
    description: list = field(default_factory=list)
    sections: list = field(default_factory=list)  # (title, [Entry])

    def entries(self, title=None):
        return [e for t, es in self.sections if title is None or t == title for e in es]


def run_help(argv):
    """The help text with the environment pinned, so that no builder's home or locale leaks in."""
    # A home of its own, shown as ~: the programs take HOME only when it is a folder, else the passwd entry's.
    with tempfile.TemporaryDirectory(prefix="pm514rx-docs-home-") as home:
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": home, "LC_ALL": "C.UTF-8",
               "QT_QPA_PLATFORM": "offscreen", "COLUMNS": "80"}
        if "LD_LIBRARY_PATH" in os.environ:  # a Qt of one's own
            env["LD_LIBRARY_PATH"] = os.environ["LD_LIBRARY_PATH"]
        done = subprocess.run(argv, env=env, capture_output=True, text=True, timeout=60)
    if done.returncode != 0 or not done.stdout.strip():
        sys.exit(f"make_docs: {' '.join(argv)} failed ({done.returncode}): {done.stderr.strip()}")
    text = done.stdout.replace(home, "~")
    if "pm514rx-docs-home" in text:
        sys.exit(f"make_docs: {' '.join(argv)} splits the home folder's path over lines; ~ cannot replace it")
    return text


def split_entry(line):
    """'-o,--output TEXT REQUIRED   Channel file' -> names, value, first description words."""
    head, *text = re.split(r"\s{2,}", line.strip(), maxsplit=1)
    first, _, value = head.partition(" ")
    names = [n for n in first.split(",") if n]
    if first.endswith(",") and value.startswith("-"):  # Qt writes "-v, --version"
        more, _, value = value.partition(" ")
        names.append(more)
    return names, value.strip(), text[0] if text else ""


def parse_help(text):
    """Reads the layout both CLI11 and QCommandLineParser print: a usage line, a description and
    sections headed "Title:" whose entries are indented, with wrapped text indented further.
    CLI11's option groups come as "[Option Group: name]", a description line, then "Options:"."""
    help_ = Help()
    entries, indent, group, seen_usage = None, None, None, False
    for raw in text.splitlines():
        line = raw.rstrip()
        stripped = line.strip()
        depth = len(line) - len(stripped)
        if not stripped:
            continue
        if stripped.startswith("Usage:"):
            program, _, rest = stripped[len("Usage:"):].strip().partition(" ")
            help_.usage, seen_usage = f"{os.path.basename(program)} {rest}", True  # Qt prints argv[0]
            continue
        heading = seen_usage and re.fullmatch(r"[A-Z][A-Za-z ]*:", stripped)
        if seen_usage and re.fullmatch(r"\[Option Group: (.+)\]", stripped):
            entries, group = None, [stripped[len("[Option Group: "):-1], None]
        elif heading and (depth == 0 or group):
            entries, indent = [], None
            help_.sections.append(((group[1] or group[0]) if group else stripped[:-1], entries))
            group = None
        elif group:
            group[1] = stripped  # the group's own description names it best
        elif entries is None:
            help_.description.append(stripped)
        elif indent is not None and depth > indent and entries:
            entries[-1].text.append(stripped)
        else:
            indent = depth if indent is None else indent
            names, value, first = split_entry(line)
            entries.append(Entry(names, value, [first] if first else []))
    return help_


# --- what a value is, for the completion and the page's placeholders ---

def value_kind(entry):
    """sin, csv, dir, port, file, words:A B C, or '' (free text, nothing to offer)."""
    text = entry.description.lower()
    vtype = entry.value_type
    choices = re.search(r"\{([^}]*)\}", vtype)
    if choices:
        return "words:" + " ".join(choices.group(1).split(","))
    alternatives = re.fullmatch(r"TEXT:([a-z-]+(\[[^]]*\])?(\|[a-z-]+(\[[^]]*\])?)+)", vtype)
    if alternatives:  # a validator's "location|sequential[:N]": the words before any brackets
        return "words:" + " ".join(re.sub(r"\[.*", "", a) for a in alternatives.group(1).split("|"))
    span = re.search(r"\[(-?\d+) - (-?\d+)\]", vtype)
    if span and 0 <= int(span.group(2)) - int(span.group(1)) <= 9:
        return "words:" + " ".join(str(n) for n in range(int(span.group(1)), int(span.group(2)) + 1))
    if "--port" in entry.names or "device path" in text:
        return "port"
    if "csv" in text:
        return "csv"
    if "DIR" in vtype or "folder" in text or "directory" in text:
        return "dir"
    if "channel file" in text or ".sin" in text:
        return "sin"
    if "symbolic link" in text or " path" in text:
        return "file"
    return ""


def placeholder(entry):
    """What the page shows for the value: the program's own name for it (N, A:B, [DIR], <dir>), the
    choices, or for CLI11's plain TEXT a name by kind (FILE, CSV, DIR, PORT)."""
    vtype = entry.value_type
    base, _, detail = vtype.partition(":")
    if not vtype:
        return ""
    if base in ("INT", "UINT", "FLOAT"):
        return "N"
    if base != "TEXT":
        return vtype
    if detail:
        choices = re.fullmatch(r"\{([^}]*)\}", detail)
        return choices.group(1).replace(",", "|") if choices else detail
    kind = value_kind(entry)
    return {"sin": "FILE", "csv": "CSV", "dir": "DIR", "port": "PORT", "file": "PATH"}.get(kind, "TEXT")


# --- roff ---

def roff(text):
    """Plain text as roff: backslashes, hyphens and leading dots or quotes made harmless."""
    text = text.replace("\\", "\\e").replace("-", "\\-")
    if text[:1] in (".", "'"):
        text = "\\&" + text
    return text


def option_heading(entry):
    names = ", ".join(f"\\fB{roff(n)}\\fR" for n in entry.names)
    shown = placeholder(entry)
    if shown:
        names += f" \\fI{roff(shown)}\\fR"
    if entry.repeatable:
        names += " ..."
    return names


def option_text(entry):
    text = roff(entry.description)
    notes = []
    if entry.required:
        notes.append("Required.")
    if entry.repeatable:
        notes.append("May be given more than once.")
    span = re.search(r"\[(-?\d+) - (-?\d+)\]", entry.value_type)
    if span:
        notes.append(f"From {span.group(1)} to {span.group(2)}.")
    if text and notes and not text.endswith("."):
        text += "."
    return " ".join([text] + notes).strip()


def roff_entries(entries):
    lines = []
    for entry in entries:
        heading = option_heading(entry) if entry.is_option else f"\\fI{roff(entry.names[0])}\\fR"
        lines += [".TP", heading, option_text(entry)]
    return lines


def roff_usage(usage, commands=1):
    """The usage line: the program (and the verb) in bold, everything to fill in in italics."""
    words = usage.split()
    bold = [f"\\fB{roff(w)}\\fR" for w in words[:commands]]
    rest = []
    for word in words[commands:]:
        plain = word.strip("[]")
        rest.append(f"[\\fI{roff(plain)}\\fR]" if plain != word else f"\\fI{roff(word)}\\fR")
    return " ".join(bold + rest)


def verb_section(verb, help_):
    """One verb of the command-line tool: its usage, its description, then each listing."""
    lines = [f'.SS "{verb}"', ".PP", roff_usage(help_.usage, 2), ".PP"]
    for sentence in help_.description:
        lines.append(roff(sentence))
    for title, entries in help_.sections:
        if not entries:
            continue
        label = {"Positionals": "Arguments", "Options": "Options"}.get(title, title.capitalize())
        if title not in ("Positionals", "Options"):
            label = f"Options ({title})"
        lines += [".PP", f"\\fI{label}:\\fR", ".RS 4"] + roff_entries(entries) + [".RE"]
    return lines


def fill(template, parts, version, date):
    text = template.replace("@VERSION@", version).replace("@DATE@", date)
    out = []
    for line in text.splitlines():
        key = line.strip()
        if key.startswith("@") and key.endswith("@") and key[1:-1] in parts:
            out += parts[key[1:-1]]
        else:
            out.append(line)
    leftover = re.findall(r"@[A-Z_]+@", "\n".join(out))
    if leftover:
        sys.exit(f"make_docs: unknown placeholders {leftover}")
    return "\n".join(out) + "\n"


def cli_page(cli, template, version, date):
    top = parse_help(run_help([cli, "--help"]))
    verbs = [(e.names[0], parse_help(run_help([cli, e.names[0], "--help"]))) for e in top.entries("Subcommands")]
    if not verbs:
        sys.exit("make_docs: no verbs in pm514rx-cli --help")
    parts = {
        "NAME": [f"pm514rx\\-cli \\- {roff(top.description[0])}"],
        "SYNOPSIS": sum(([".br", roff_usage(h.usage, 2)] for _, h in verbs), [])[1:],
        "OPTIONS": roff_entries(top.entries("Options")),
        "VERBS": sum((verb_section(v, h) for v, h in verbs), []),
    }
    return fill(template, parts, version, date), top, verbs


def gui_page(gui, template, version, date):
    top = parse_help(run_help([gui, "--help"]))
    arguments = [e for t, es in top.sections if t != "Options" for e in es]
    parts = {
        "NAME": [f"pm514rx \\- {roff(top.description[0].rstrip('.'))}"],
        "SYNOPSIS": [roff_usage(top.usage)],
        "OPTIONS": roff_entries(top.entries("Options")),
        "ARGUMENTS": roff_entries(arguments),
    }
    return fill(template, parts, version, date)


# --- bash completion ---

def shell_case(rows):
    """case arms: pattern) echo 'value' ;;"""
    for pattern, value in rows:
        # Names and choices go into the script unquoted in patterns and single-quoted in values.
        if not re.fullmatch(r"''|[A-Za-z0-9|:_.-]+", pattern) or not re.fullmatch(r"[A-Za-z0-9 :_.-]*", value):
            sys.exit(f"make_docs: cannot put {pattern!r} or {value!r} into the completion")
    return [f"        {pattern}) echo '{value}' ;;" for pattern, value in rows]


def completion(top, verbs, template):
    option_rows = [("''", " ".join(n for e in top.entries("Options") for n in e.names))]
    value_rows, positional_rows = [], []
    for verb, help_ in verbs:
        options = [e for e in help_.entries() if e.is_option]
        option_rows.append((verb, " ".join(n for e in options for n in e.names)))
        kinds = [value_kind(e) or "text" for e in help_.entries("Positionals")]
        for entry in options:
            if entry.takes_value:
                pattern = "|".join(f"{verb}:{n}" for n in entry.names)
                kind = value_kind(entry) or "text"
                if entry.value_type.startswith("[") and kinds:
                    kind = kinds[0]  # an optional value may be the argument instead; files list folders too
                value_rows.append((pattern, kind))
        if kinds:
            positional_rows.append((verb, " ".join(kinds)))
    parts = {
        "VERBS": [f"    echo '{' '.join(v for v, _ in verbs)}'"],
        "OPTIONS": shell_case(option_rows),
        "VALUES": shell_case(value_rows),
        "POSITIONALS": shell_case(positional_rows),
    }
    return fill(template, parts, "", "")


def newest_release(changelog, version):
    """The date of the changelog's newest entry, refused when that entry is not this version."""
    head = re.match(r"pm514rx \(([^)]+)\)", changelog)
    trailer = re.search(r"^ -- .+>  (.+)$", changelog, re.MULTILINE)
    if not head or not trailer:
        sys.exit("make_docs: packaging/debian/changelog does not begin with an entry")
    if head.group(1) != version:
        sys.exit(f"make_docs: the newest changelog entry is {head.group(1)}, the project is {version}; "
                 "add an entry to packaging/debian/changelog")
    return email.utils.parsedate_to_datetime(trailer.group(1)).strftime("%Y-%m-%d")


def write(path, text, gz=False):
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    if gz:  # the bytes of gzip -9n: no name, no time stamp
        with open(path + ".gz", "wb") as raw, gzip.GzipFile(filename="", mode="wb", compresslevel=9,
                                                            fileobj=raw, mtime=0) as f:
            f.write(text.encode("utf-8"))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True)
    parser.add_argument("--gui")
    parser.add_argument("--source", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--version", required=True)
    args = parser.parse_args()

    def template(name):
        with open(os.path.join(args.source, name), encoding="utf-8") as f:
            return f.read()

    os.makedirs(args.out, exist_ok=True)
    changelog = template("debian/changelog")
    date = newest_release(changelog, args.version)
    write(os.path.join(args.out, "changelog"), changelog, gz=True)
    page, top, verbs = cli_page(args.cli, template("man/pm514rx-cli.1.in"), args.version, date)
    write(os.path.join(args.out, "pm514rx-cli.1"), page, gz=True)
    write(os.path.join(args.out, "pm514rx-cli"), completion(top, verbs, template("pm514rx-cli.bash.in")))
    if args.gui:
        page = gui_page(args.gui, template("man/pm514rx.1.in"), args.version, date)
        write(os.path.join(args.out, "pm514rx.1"), page, gz=True)


if __name__ == "__main__":
    main()
