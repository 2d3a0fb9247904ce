#!/usr/bin/python3
"""Fills the Chinese catalogue from the dictionary.

    scripts/translate.py [--ts resources/translations/Language_CN.ts]
                         [--dict resources/translations/zh_CN.tsv] [--missing] [--check]

The dictionary is the one place the Chinese texts live: one entry a line,
context<TAB>source<TAB>chinese. In source and Chinese, \\n stands for a line
break, \\t for a tab and \\\\ for a backslash. The context "*" applies to every
context that has no entry of its own. Lines starting with # are comments.

Rich-text sources (HTML written by the form designer) are translated piece by
piece: every text between tags is looked up on its own, so the dictionary
holds the plain words only. Blanks around a source (padding in a form) need
no entry of their own.

Run after `cmake --build <dir> --target lupdate`. Entries with a translation
become finished; entries without one stay unfinished. --missing prints the
untranslated entries as dictionary lines with an empty third column; --check
exits with status 1 when any entry is untranslated.
"""
import argparse
import html
import os
import re
import sys
import xml.etree.ElementTree as ET

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'))


def unescape(text):
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c == '\\' and i + 1 < len(text):
            n = text[i + 1]
            out.append({'n': '\n', 't': '\t', '\\': '\\'}.get(n, '\\' + n))
            i += 2
        else:
            out.append(c)
            i += 1
    return ''.join(out)


def escape(text):
    return text.replace('\\', '\\\\').replace('\n', '\\n').replace('\t', '\\t')


def load_dictionary(path):
    table = {}
    with open(path, encoding='utf-8') as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip('\n')
            if not line.strip() or line.startswith('#'):
                continue
            parts = line.split('\t')
            if len(parts) != 3:
                sys.exit('%s:%d: expected context<TAB>source<TAB>chinese' % (path, number))
            context, source, chinese = parts[0], unescape(parts[1]), unescape(parts[2])
            key = (context, source)
            if key in table and table[key] != chinese:
                sys.exit('%s:%d: %r in %s translated twice differently' % (path, number, source, context))
            table[key] = chinese
    return table


def lookup(table, context, source):
    """Exact entry of the context, then of "*"; then the same without the blanks
    that forms use as padding around a label."""
    for key in ((context, source), ('*', source)):
        if key in table:
            return table[key]
    text = source.strip()
    for key in ((context, text), ('*', text)):
        if key in table:
            # Keep the padding: a suffix such as " ms" needs its blank.
            lead = source[:len(source) - len(source.lstrip())]
            trail = source[len(source.rstrip()):]
            return lead + table[key] + trail
    return None


def is_rich_text(source):
    head = source.lstrip()[:100].lower()
    return head.startswith('<!doctype html') or head.startswith('<html') or head.startswith('<qt')


def translate_rich_text(table, context, source):
    """Translates the visible text pieces of designer HTML; None if one is unknown."""
    body = source
    start = source.lower().find('<body')
    if start < 0:
        start = 0
    missing = []

    def replace(match):
        raw = match.group(0)
        text = html.unescape(raw)
        stripped = text.strip()
        if not stripped:
            return raw
        chinese = lookup(table, context, stripped)
        if chinese is None:
            missing.append(stripped)
            return raw
        lead = text[:len(text) - len(text.lstrip())]
        trail = text[len(text.rstrip()):]
        return html.escape(lead + chinese + trail, quote=False)

    # Text between '>' and '<' after the opening of the body; the head holds styles only.
    translated = source[:start] + re.sub(r'(?<=>)[^<>]+(?=<)', replace, source[start:])
    return None if missing else translated


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument('--ts', default=os.path.join(ROOT, 'resources/translations/Language_CN.ts'))
    parser.add_argument('--dict', default=os.path.join(ROOT, 'resources/translations/zh_CN.tsv'))
    parser.add_argument('--missing', action='store_true')
    parser.add_argument('--check', action='store_true')
    args = parser.parse_args()

    table = load_dictionary(args.dict)
    tree = ET.parse(args.ts)
    root = tree.getroot()
    root.set('language', 'zh_CN')
    total = done = 0
    missing = []
    for context in root.iter('context'):
        name = context.findtext('name')
        for message in context.iter('message'):
            source = message.findtext('source') or ''
            translation = message.find('translation')
            if translation is None:
                translation = ET.SubElement(message, 'translation')
            total += 1
            chinese = lookup(table, name, source)
            if chinese is None and is_rich_text(source):
                chinese = translate_rich_text(table, name, source)
            if chinese is None:
                translation.text = None
                translation.set('type', 'unfinished')
                missing.append((name, source))
                continue
            if sorted(re.findall(r'%\d', source)) != sorted(re.findall(r'%\d', chinese)):
                sys.exit('%s: %r -> %r: the placeholders differ' % (name, source, chinese))
            translation.text = chinese
            translation.attrib.pop('type', None)
            done += 1

    ET.indent(tree, space='    ') if hasattr(ET, 'indent') else None
    body = ET.tostring(root, encoding='unicode')
    with open(args.ts, 'w', encoding='utf-8') as f:
        f.write('<?xml version="1.0" encoding="utf-8"?>\n<!DOCTYPE TS>\n')
        f.write(body)
        f.write('\n')

    if args.missing:
        for name, source in missing:
            print('%s\t%s\t' % (name, escape(source)))
    print('%s: %d of %d entries translated, %d missing' % (os.path.relpath(args.ts), done, total, len(missing)),
          file=sys.stderr)
    if args.check and missing:
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
