#!/usr/bin/env python3
"""Fails on an include of the program that points against the order of the layers.

A folder may include itself and the folders it stands above; every include names its folder
from the project root. Prints file:line for each offence and exits 1 when there is one.
"""
import pathlib
import re
import sys

# Each layer with the folders it may include besides itself.
ORDER = ['app', 'desktop', 'conversations', 'contacts', 'ui', 'session', 'protocol',
         'transport', 'common']
BESIDE = {
    'rpc': {'common'},
    'resources': set(),
    'activity': {'common'},
    'addin': {'common', 'rpc'},
    'tools': {'common', 'transport', 'protocol', 'rpc'},
    'devserver': {'common', 'protocol'},
}
# Program folders that the layers may use: the shared ones beside the order.
SHARED = {'rpc', 'resources'}
# The version of the project, which every program prints.
ANYONE = {'protocol/product.h'}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
GENERATED = re.compile(r'(\.moc|-protocol\.h|^transport/install_dirs\.h)$')


def allowed(folder):
    if folder in BESIDE:
        return BESIDE[folder] | {folder}
    return set(ORDER[ORDER.index(folder):]) | SHARED


def offences(root):
    folders = set(ORDER) | set(BESIDE)
    for path in sorted(root.rglob('*')):
        rel = path.relative_to(root)
        if rel.parts[0] not in folders or path.suffix not in ('.h', '.cpp', '.c'):
            continue
        may = allowed(rel.parts[0])
        for number, line in enumerate(path.read_text(errors='replace').splitlines(), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            target = match.group(1)
            if GENERATED.search(target) or target in ANYONE:
                continue
            if '/' not in target:
                yield f'{rel}:{number}: "{target}" does not name its folder'
            elif target.split('/')[0] not in may:
                yield f'{rel}:{number}: {rel.parts[0]}/ must not include "{target}"'


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else '.').resolve()
    found = list(offences(root))
    for offence in found:
        print(offence)
    return 1 if found else 0


if __name__ == '__main__':
    sys.exit(main())
