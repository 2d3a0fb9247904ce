#!/usr/bin/env python3
"""Checks the #include lines of the program's folders against its layers.

    params  <-  link  <-  workbook  <-  cli
                                    <-  ui   (the only QtWidgets user)
    app (main.cpp) may use them all.

A file may include headers of its own layer and of the layers below it, never
of a layer above it nor of the other top layer (cli and ui do not know each
other). Files under params/, link/, workbook/ and cli/ include no QtWidgets,
QtGui, QtCharts or QtSvg header and no ui_*.h form. The folders (ui/pages,
ui/dialogs, ... each a folder of its own) include each other without a circle.

Usage: check-layers.py SOURCE_DIR     prints every fault; exit status 1 if any
       check-layers.py --self-test [SOURCE_DIR]
                                      checks the checker on made-up trees, then SOURCE_DIR
"""

import os
import re
import sys
import tempfile

LAYERS = {"params": 0, "link": 1, "workbook": 2, "cli": 3, "ui": 3, "app": 4}
NO_WIDGETS = ("params", "link", "workbook", "cli")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]')
# Headers of the GUI modules, by module folder or by class name.
GUI_MODULE = re.compile(r"^Qt(Widgets|Gui|Charts|Svg|PrintSupport)(/|$)")
GUI_CLASS = re.compile(
    r"^Q(Widget|Dialog|MainWindow|MessageBox|FileDialog|ProgressBar|Label|PushButton|"
    r"AbstractButton|CheckBox|RadioButton|ComboBox|LineEdit|TextEdit|PlainTextEdit|SpinBox|"
    r"Table(View|Widget)|Tree(View|Widget)|List(View|Widget)|HeaderView|Layout|[HV]BoxLayout|"
    r"GridLayout|FormLayout|Application|GuiApplication|Action|Menu|MenuBar|ToolBar|StatusBar|"
    r"Splitter|ScrollArea|Frame|GroupBox|TabWidget|StackedWidget|Style|StyleOption|Painter|"
    r"Pixmap|Image|Icon|Color|Font|FontDatabase|FontMetrics|Palette|Screen|Window|Cursor|"
    r"Pen|Brush|KeySequence|Shortcut|Clipboard|Validator|IntValidator|DoubleValidator|"
    r"RegularExpressionValidator|StandardItemModel|Chart|ChartView|Svg\w*)$"
)


def folder_of(path):
    return os.path.dirname(path) or "."


def layer_of(path):
    return path.split("/", 1)[0]


def scan(root):
    """Yields (file, line number, quoted, header) for every include of the layered folders."""
    for top in LAYERS:
        base = os.path.join(root, top)
        for dirpath, _, names in os.walk(base):
            for name in sorted(names):
                if not name.endswith((".cpp", ".h")):
                    continue
                full = os.path.join(dirpath, name)
                rel = os.path.relpath(full, root).replace(os.sep, "/")
                with open(full, encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        m = INCLUDE.match(line)
                        if m:
                            yield rel, number, m.group(1) == '"', m.group(2)


def circles(edges):
    """The circles of a folder graph: one list of folders per strongly connected part."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(node):
        index[node] = low[node] = len(index)
        stack.append(node)
        on_stack.add(node)
        for nxt in sorted(edges.get(node, ())):
            if nxt not in index:
                visit(nxt)
                low[node] = min(low[node], low[nxt])
            elif nxt in on_stack:
                low[node] = min(low[node], index[nxt])
        if low[node] == index[node]:
            part = []
            while True:
                top = stack.pop()
                on_stack.discard(top)
                part.append(top)
                if top == node:
                    break
            if len(part) > 1:
                found.append(sorted(part))

    for node in sorted(edges):
        if node not in index:
            visit(node)
    return found


def check(root):
    faults = []
    edges = {}
    for rel, number, quoted, header in scan(root):
        where = f"{rel}:{number}"
        layer = layer_of(rel)
        if layer in NO_WIDGETS and (os.path.basename(header).startswith("ui_") or GUI_MODULE.match(header)
                                    or (not quoted and GUI_CLASS.match(os.path.basename(header)))):
            faults.append(f"{where}: {layer}/ may not include the GUI header {header}")
            continue
        if not quoted:
            continue
        target = layer_of(header)
        if target not in LAYERS or "/" not in header:
            continue
        if target != layer and (LAYERS[target] >= LAYERS[layer]):
            faults.append(f"{where}: {layer}/ may not include {header} (a layer above or beside it)")
        if folder_of(header) != folder_of(rel):
            edges.setdefault(folder_of(rel), set()).add(folder_of(header))
    for part in circles(edges):
        faults.append("folders include each other in a circle: " + " -> ".join(part))
    return faults


def self_test():
    # Each case: files of a made-up tree and the number of faults expected.
    cases = [
        ("clean layers", {"params/a.h": "", "link/b.cpp": '#include "params/a.h"\n',
                          "ui/pages/c.cpp": '#include "link/b.h"\n#include <QWidget>\n#include "ui_c.h"\n'}, 0),
        ("link includes ui", {"link/b.cpp": '#include "ui/pages/c.h"\n', "ui/pages/c.h": ""}, 1),
        ("params includes workbook", {"params/a.cpp": '#include "workbook/x.h"\n'}, 1),
        ("cli includes ui", {"cli/r.cpp": '#include "ui/dialogs/popups.h"\n'}, 1),
        ("ui includes cli", {"ui/pages/p.cpp": '#include "cli/headlessrun.h"\n'}, 1),
        ("workbook includes a widget", {"workbook/w.cpp": "#include <QProgressBar>\n"}, 1),
        ("link includes a form", {"link/l.cpp": '#include "ui_scandialog.h"\n'}, 1),
        ("cli includes QtWidgets/", {"cli/r.cpp": "#include <QtWidgets/QApplication>\n"}, 1),
        ("circle in ui", {"ui/window/w.cpp": '#include "ui/dialogs/d.h"\n',
                          "ui/dialogs/d.cpp": '#include "ui/window/w.h"\n'}, 1),
        ("circle of three", {"ui/a/x.cpp": '#include "ui/b/y.h"\n', "ui/b/y.cpp": '#include "ui/c/z.h"\n',
                             "ui/c/z.cpp": '#include "ui/a/x.h"\n'}, 1),
        ("own folder is no circle", {"workbook/a.cpp": '#include "workbook/b.h"\n'}, 0),
    ]
    failed = 0
    for name, files, expected in cases:
        with tempfile.TemporaryDirectory() as root:
            for rel, text in files.items():
                os.makedirs(os.path.join(root, os.path.dirname(rel)), exist_ok=True)
                with open(os.path.join(root, rel), "w") as f:
                    f.write(text)
            faults = check(root)
        if len(faults) != expected:
            failed += 1
            print(f"FAIL {name}: {len(faults)} faults, expected {expected}: {faults}")
    print(f"{len(cases) - failed} of {len(cases)} cases passed")
    return 1 if failed else 0


def main(argv):
    if len(argv) in (2, 3) and argv[1] == "--self-test":
        status = self_test()
        return status or (main(argv[:1] + argv[2:]) if len(argv) == 3 else 0)
    if len(argv) != 2 or argv[1].startswith("-"):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    faults = check(argv[1])
    for fault in faults:
        print(fault, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
