#!/usr/bin/env python3
"""The mutation engine of scripts/mutate.sh.

  mutate.py list SEED SIZE      the sample: one mutant a line, tab-separated:
                                identity (file:line:column:operator), then
                                the text replaced and its replacement
  mutate.py apply IDENTITY      applies that one mutant to its file
  mutate.py count               how many mutants src/ offers, per folder

A mutant is one small change at one place of the code the Linux build
compiles: comments, string literals and preprocessor lines are never touched
(character literals only by the blank operators),
nor code the Linux build does not compile (the Windows build's, the build
without libwavpack's, a preprocessor branch for another compiler). Its
identity is the place and the operator, so the same seed over the same src/
picks the same mutants, and a list of equivalent mutants stays valid while
the code around them does not move.
"""
import os
import random
import re
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
SOURCES = ROOT / "src"
# Not compiled by the Linux build the suite runs on: a mutant there would
# survive for no fault of the tests.
NOT_BUILT = ("src/platform/windows/", "src/wavpack/unavailable/")


def code_mask(text, keep_characters=False):
    """The text with comments, string and character literals and preprocessor
    lines blanked (same length, newlines kept), so that the patterns below
    only see code. With keep_characters, character literals stay: the
    character-class operators look at them."""
    out = list(text)
    i, n = 0, len(text)
    at_line_start = True
    while i < n:
        c = text[i]
        if c == "\n":
            at_line_start = True
            i += 1
            continue
        if at_line_start and c in " \t":
            i += 1
            continue
        if at_line_start and c == "#":
            # A directive, with its continuation lines.
            while i < n and text[i] != "\n":
                if text[i] == "\\" and i + 1 < n and text[i + 1] == "\n":
                    out[i] = " "
                    i += 2
                    continue
                out[i] = " "
                i += 1
            continue
        at_line_start = False
        if text.startswith("//", i):
            while i < n and text[i] != "\n":
                out[i] = " "
                i += 1
            continue
        if text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            for k in range(i, end):
                if text[k] != "\n":
                    out[k] = " "
            i = end
            continue
        raw = re.match(r'(?:u8|u|U|L)?R"([^(\s]*)\(', text[i:i + 40])
        if raw and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            end = text.find(")" + raw.group(1) + '"', i)
            end = n if end < 0 else end + len(raw.group(1)) + 2
            for k in range(i, end):
                if text[k] != "\n":
                    out[k] = " "
            i = end
            continue
        if c in "\"'":
            # A digit separator (1'000) is no character literal.
            if c == "'" and i > 0 and text[i - 1].isalnum() and i + 1 < n and text[i + 1].isalnum():
                i += 1
                continue
            k = i + 1
            while k < n and text[k] != c and text[k] != "\n":
                k += 2 if text[k] == "\\" else 1
            if not (keep_characters and c == "'"):
                for j in range(i, min(k + 1, n)):
                    out[j] = " "
            i = k + 1
            continue
        i += 1
    return "".join(out)


# The macros of the build the suite runs in (Linux, GCC, x86-64, release):
# code under a condition they decide otherwise is not compiled there. Other
# conditions count as true, on both of their branches.
DEFINED = {"__GNUC__", "__linux__", "__x86_64__", "__ELF__", "__unix__"}
UNDEFINED = {"_WIN32", "WIN32", "_MSC_VER", "__APPLE__", "__clang__", "ZELVANOR_NO_CPU_DISPATCH"}


def condition_value(expression):
    """True, False, or None when the build's macros do not decide it."""
    def known(m):
        name = m.group(1)
        if name in DEFINED:
            return " True "
        if name in UNDEFINED:
            return " False "
        raise KeyError(name)
    try:
        text = re.sub(r"defined\s*\(\s*(\w+)\s*\)|defined\s+(\w+)",
                      lambda m: known(re.match(r"(\w+)", m.group(1) or m.group(2))), expression)
        text = text.replace("&&", " and ").replace("||", " or ")
        text = re.sub(r"!(?!=)", " not ", text)
        if re.search(r"[A-Za-z_]\w*", re.sub(r"\b(True|False|and|or|not)\b", "", text)):
            return None
        return bool(eval(text))
    except (KeyError, SyntaxError):
        return None


def uncompiled_lines(text):
    """Line numbers (1-based) inside preprocessor branches this build skips."""
    skip, stack = set(), []  # per #if: [branch compiled, some branch certainly taken]
    lines = text.split("\n")
    number = 0
    while number < len(lines):
        line = lines[number]
        first = number
        while line.endswith("\\") and number + 1 < len(lines):
            number += 1
            line = line[:-1] + lines[number]
        number += 1
        s = line.strip()
        directive = re.match(r"#\s*(ifdef|ifndef|if|elif|else|endif)\b(.*)", s)
        if directive:
            kind, rest = directive.group(1), directive.group(2).strip()
            if kind in ("if", "ifdef", "ifndef"):
                value = (condition_value(rest) if kind == "if" else
                         condition_value(("!" if kind == "ifndef" else "") + "defined(" + rest + ")"))
                stack.append([value is not False, value is True])
            elif kind == "elif" and stack:
                value = condition_value(rest)
                stack[-1] = [not stack[-1][1] and value is not False, stack[-1][1] or value is True]
            elif kind == "else" and stack:
                stack[-1] = [not stack[-1][1], True]
            elif kind == "endif" and stack:
                stack.pop()
            continue
        if not all(compiled for compiled, _ in stack):
            skip.update(range(first + 1, number + 1))
    return skip


def matching_paren(mask, open_at):
    depth = 0
    for k in range(open_at, len(mask)):
        if mask[k] == "(":
            depth += 1
        elif mask[k] == ")":
            depth -= 1
            if depth == 0:
                return k
    return -1


REL_INCLUSIVE = {"<": "<=", "<=": "<", ">": ">=", ">=": ">"}
REL_NEGATE = {"<": ">=", "<=": ">", ">": "<=", ">=": "<", "==": "!=", "!=": "=="}
ASSIGNMENT = r"(?:=|\+=|-=|\*=|/=|%=|<<=|>>=|\|=|&=|\^=)"


def mutants_of(path, text):
    """Every mutant of one file: (line, column, operator, start, end, replacement)."""
    mask = code_mask(text)
    skip = uncompiled_lines(text)
    line_starts = [0] + [m.end() for m in re.finditer("\n", text)]

    def where(offset):
        lo, hi = 0, len(line_starts) - 1
        while lo < hi:
            mid = (lo + hi + 1) // 2
            if line_starts[mid] <= offset:
                lo = mid
            else:
                hi = mid - 1
        return lo + 1, offset - line_starts[lo] + 1

    found = []

    def add(operator, start, end, replacement):
        line, column = where(start)
        if line not in skip:
            found.append((line, column, operator, start, end, replacement))

    # Relational operators between spaces (a template's angle brackets and
    # the shift operators never stand that way).
    for m in re.finditer(r"(?<= )(<=|>=|==|!=|<|>)(?= )", mask):
        op = m.group(1)
        if op in REL_INCLUSIVE:
            add("relational-inclusive", m.start(), m.end(), REL_INCLUSIVE[op])
        add("relational-negated", m.start(), m.end(), REL_NEGATE[op])
    for m in re.finditer(r"(?<= )(&&|\|\|)(?= )", mask):
        add("logic-swapped", m.start(), m.end(), "||" if m.group(1) == "&&" else "&&")
    # + 1 and - 1 dropped; + 1 added to an index.
    for m in re.finditer(r" [+-] 1(?![\w.'])", mask):
        add("one-dropped", m.start(), m.end(), "")
    for m in re.finditer(r"[\w)](\])", mask):
        add("one-added-to-index", m.start(1), m.start(1), " + 1")
    # Binary + and - exchanged.
    for m in re.finditer(r"(?<=[\w)\]]) ([+-]) (?=[\w(])", mask):
        add("plus-minus-swapped", m.start(1), m.end(1), "-" if m.group(1) == "+" else "+")
    # Integer constants moved by one.
    for m in re.finditer(r"(?<![\w.'])(0[xX][0-9a-fA-F']+|\d[\d']*)([uUlL]*)(?![\w.'])", mask):
        digits = m.group(1).replace("'", "")
        value = int(digits, 16) if digits[:2] in ("0x", "0X") else int(digits)
        for operator, moved in (("constant-plus-one", value + 1), ("constant-minus-one", value - 1)):
            if moved < 0:
                continue
            text_value = (hex(moved) if digits[:2] in ("0x", "0X") else str(moved))
            if digits[:2] == "0X" or any(ch in "ABCDEF" for ch in digits):
                text_value = "0x" + text_value[2:].upper()
            add(operator, m.start(1), m.end(1), text_value)
    for m in re.finditer(r"\b(true|false)\b", mask):
        add("boolean-flipped", m.start(), m.end(), "false" if m.group(1) == "true" else "true")
    # Conditions negated, a negation dropped.
    for m in re.finditer(r"\b(if|while) \(", mask):
        open_at = m.end() - 1
        close = matching_paren(mask, open_at)
        if close > 0 and ";" not in mask[open_at:close]:
            line, column = where(m.start())
            if line not in skip:
                # Two edits as one: the whole condition wrapped.
                found.append((line, column, "condition-negated", open_at + 1, close,
                              "!(" + text[open_at + 1:close] + ")"))
    for m in re.finditer(r"(?<![\w)\]])!(?![=])(?=[\w(])", mask):
        add("negation-dropped", m.start(), m.end(), "")
    # Statements: a whole line that is one assignment or call.
    lines = mask.split("\n")
    for index, line in enumerate(lines):
        s = line.strip()
        previous = lines[index - 1].strip() if index else ";"
        if not s.endswith(";") or not previous.endswith((";", "{", "}", ")")) and previous != "":
            continue
        if previous.endswith(")") and not re.match(r"(if|for|while|else)\b|}", previous):
            continue
        call = re.fullmatch(r"[\w.:\->\[\]*]+(?:<[\w:, ]*>)?\(.*\);", s)
        assign = re.fullmatch(r"[\w.:\->\[\]*]+ " + ASSIGNMENT + r" .*;", s) or re.fullmatch(r"(\+\+|--)[\w.\->]+;|[\w.\->]+(\+\+|--);", s)
        if (call or assign) and not re.match(r"(return|throw|delete|case|goto)\b", s):
            start = line_starts[index] + line.index(s)
            add("statement-removed", start, start + len(s), "{}")
    for m in re.finditer(r"\breturn ([^;]+);", mask):
        value = m.group(1).strip()
        if value in ("true", "false", "{}") or "\n" in m.group(0):
            continue
        add("return-replaced", m.start(1), m.end(1), "{}")
    # A one-line loop removed (the blanks skipped before a number, say).
    for index, line in enumerate(lines):
        s = line.strip()
        if re.match(r"(while|for) \(", s) and s.endswith(";") and not s.endswith("{}"):
            close = matching_paren(mask, line_starts[index] + line.index(s) + s.index("("))
            if 0 < close < line_starts[index] + len(line) - 1:
                start = line_starts[index] + line.index(s)
                add("loop-removed", start, start + len(s), "{}")
    character_mutants(text, add)
    limit_mutants(mask, add)
    term_mutants(mask, add)
    return found


# Blank characters as the class tests and the literals name them: each one
# exchanged for its neighbour, so a tab where a blank is expected (and the
# other way round) must be told apart by some test.
BLANK_SWAPPED = {"' '": "'\\t'", "'\\t'": "' '", "'\\n'": "'\\r'", "'\\r'": "'\\n'",
                 "'\\v'": "'\\f'", "'\\f'": "'\\v'"}
SIMPLE_OPERAND = r"((?:[\w.]|->|\[[^\]\n]*\]|\(\))+)"


def character_mutants(text, add):
    chars = code_mask(text, keep_characters=True)
    for m in re.finditer(r"'(?:\\[tnrvf]| )'", chars):
        add("blank-swapped", m.start(), m.end(), BLANK_SWAPPED[m.group(0)])
    # c == ' ' also taking a tab (or c == '\t' a blank), and the negation alike.
    for m in re.finditer(SIMPLE_OPERAND + r" (==|!=) ('(?:\\t| )')", chars):
        operand, op, literal = m.groups()
        other = BLANK_SWAPPED[literal]
        join = " || " if op == "==" else " && "
        add("blank-widened", m.start(), m.end(), f"({operand} {op} {literal}{join}{operand} {op} {other})")
    # The class tests of common/ascii.h: one class for the other, and
    # whitespace narrowed to the blank alone.
    for m in re.finditer(r"\b(IsSpace|IsDigit)\(", chars):
        add("class-swapped", m.start(1), m.end(1), "IsDigit" if m.group(1) == "IsSpace" else "IsSpace")
        close = matching_paren(chars, m.end() - 1)
        if m.group(1) == "IsSpace" and close > 0:
            add("space-as-blank", m.start(), close + 1, "(" + text[m.end():close] + " == ' ')")


def limit_mutants(mask, add):
    # A comparison with a level or a limit: == 3 made >= 3 or <= 3 (the
    # levels above the highest), and a named limit moved by one.
    for m in re.finditer(r"(?<= )==(?= (?:k[A-Z]\w*|\d+)\b(?![\w.(:<]))", mask):
        add("equality-at-least", m.start(), m.end(), ">=")
        add("equality-at-most", m.start(), m.end(), "<=")
    for m in re.finditer(r"(?<= )(?:<=|>=|<|>|==|!=) (k[A-Z]\w*)\b(?![\w.(:<])", mask):
        add("limit-plus-one", m.start(1), m.end(1), "(" + m.group(1) + " + 1)")
        add("limit-minus-one", m.start(1), m.end(1), "(" + m.group(1) + " - 1)")
    for m in re.finditer(r"(?<![\w.:>])(k[A-Z]\w*) (?:<=|>=|<|>|==|!=)(?= )", mask):
        add("limit-plus-one", m.start(1), m.end(1), "(" + m.group(1) + " + 1)")
        add("limit-minus-one", m.start(1), m.end(1), "(" + m.group(1) + " - 1)")


def term_end(mask, at):
    """Where the operand of && or || that starts at `at` ends, or -1."""
    depth = 0
    for k in range(at, len(mask)):
        c = mask[k]
        if c in "([":
            depth += 1
        elif c in ")]":
            if depth == 0:
                return k
            depth -= 1
        elif depth == 0 and (c in ";,?{}" or mask.startswith((" &&", " ||"), k)):
            return k
    return -1


def term_start(mask, at):
    """Where the operand of && or || that ends at `at` starts, or -1: only
    inside parentheses or behind another && or ||."""
    depth = 0
    for k in range(at - 1, -1, -1):
        c = mask[k]
        if c in ")]":
            depth += 1
        elif c in "([":
            if depth == 0:
                return k + 1 if c == "(" else -1
            depth -= 1
        elif depth == 0 and c in ";{}?:,":
            return -1
        elif depth == 0 and c == "=" and mask[k - 1] not in "=<>!" and mask[k + 1] != "=":
            return -1  # an assignment
        elif depth == 0 and mask.startswith(("&& ", "|| "), k - 1) and k >= 1:
            return k + 2
    return -1


def term_mutants(mask, add):
    # One side of a && or || dropped: the test of a tab beside the test of a
    # blank, one bound of a range.
    for m in re.finditer(r"(?<= )(&&|\|\|)(?= )", mask):
        end = term_end(mask, m.end() + 1)
        if end > m.end() + 1 and "\n\n" not in mask[m.end():end]:
            add("right-term-dropped", m.start() - 1, end, "")
        start = term_start(mask, m.start() - 1)
        if 0 <= start < m.start() - 1:
            add("left-term-dropped", start, m.end() + 1, "")


def source_files():
    # A header's mutant rebuilds every file that includes it (up to sixty),
    # ten times the cost of a .cpp file's; headers are sampled on request.
    suffixes = (".cpp", ".h") if os.environ.get("MUTATE_HEADERS") == "1" else (".cpp",)
    for path in sorted(SOURCES.rglob("*")):
        rel = path.relative_to(ROOT).as_posix()
        if path.suffix in suffixes and not rel.startswith(NOT_BUILT):
            yield rel, path


def all_mutants():
    every = []
    for rel, path in source_files():
        text = path.read_text(encoding="utf-8")
        for line, column, operator, start, end, replacement in mutants_of(rel, text):
            identity = f"{rel}:{line}:{column}:{operator}"
            every.append((identity, text[start:end], replacement, rel, start, end))
    # Several mutants of one operator at one place (a constant moved up and
    # down has two operators already) cannot happen but would share a name.
    seen, unique = set(), []
    for mutant in every:
        if mutant[0] not in seen:
            seen.add(mutant[0])
            unique.append(mutant)
    return unique


def show(text):
    text = " ".join(text.split())
    return text if len(text) <= 60 else text[:57] + "..."


def main():
    command = sys.argv[1] if len(sys.argv) > 1 else ""
    if command == "list":
        seed, size = sys.argv[2], int(sys.argv[3])
        every = all_mutants()
        chosen = random.Random(seed).sample(every, min(size, len(every)))
        for identity, original, replacement, *_ in sorted(chosen, key=lambda m: (m[3], m[4], m[0])):
            print(f"{identity}\t{show(original) or '(nothing)'}\t{show(replacement) or '(nothing)'}")
    elif command == "apply":
        wanted = sys.argv[2]
        rel = wanted.split(":")[0]
        text = (ROOT / rel).read_text(encoding="utf-8")
        for line, column, operator, start, end, replacement in mutants_of(rel, text):
            if f"{rel}:{line}:{column}:{operator}" == wanted:
                (ROOT / rel).write_text(text[:start] + replacement + text[end:], encoding="utf-8")
                return 0
        print(f"no mutant {wanted}", file=sys.stderr)
        return 1
    elif command == "count":
        per = {}
        for identity, *_ in all_mutants():
            folder = "/".join(identity.split("/")[:2])
            per[folder] = per.get(folder, 0) + 1
        for folder, count in sorted(per.items()):
            print(f"{count:6} {folder}")
        print(f"{sum(per.values()):6} in all")
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main())
