#!/usr/bin/env python3
"""check-include-visibility.py <compile_commands.json> <src folder>

Compiles one-line files as if they were sources of each library, with that
library's own compiler command, and checks that a header of a library it may
not use is not found, while its own headers and the platform's are.
Prints one line per wrong case and exits 1 when there is one."""
import json
import os
import re
import shlex
import subprocess
import sys
import tempfile

# Which libraries each library may include besides its own, by folder: the
# layers run platform <- ai, store, ui <- capture, chat, settings, onboarding
# <- app; store uses ai's records and the capture opens the chat, never the
# other way round; ui, ai and store know nothing of each other otherwise.
LOWER = {'platform', 'resources', 'ui', 'ai', 'store'}
MAY_USE = {
    'resources': set(),
    'platform': {'resources'},
    'ui': {'platform', 'resources'},
    'ai': {'platform', 'resources'},
    'store': {'platform', 'resources', 'ai'},
    'chat': LOWER,
    'capture': LOWER | {'chat'},
    'settings': LOWER,
    'onboarding': LOWER,
    'app': LOWER | {'chat', 'capture', 'settings', 'onboarding'},
}


def library_command(entries, src, library):
    """A library's compiler command, less its source, object and depfile."""
    folder = os.path.join(src, library) + os.sep
    for entry in entries:
        if entry['file'].startswith(folder) and entry['file'].endswith('.cpp'):
            args = entry.get('arguments') or shlex.split(entry['command'])
            kept, skip = [], False
            for arg in args:
                if skip:
                    skip = False
                elif arg in ('-o', '-c', '-MT', '-MF', '-MQ'):
                    skip = True
                elif arg not in ('-MD', '-MMD'):
                    kept.append(arg)
            return kept, entry['directory']
    return None, None


def a_header(src, library):
    """The smallest header in the library's folder, as its users spell it."""
    folder = os.path.join(src, library)
    headers = [f for f in os.listdir(folder) if f.endswith('.h')]
    if not headers:
        return None
    return library + '/' + min(headers, key=lambda f: (os.path.getsize(os.path.join(folder, f)), f))


def compiles(command, directory, header, scratch, stage='-fsyntax-only'):
    probe = os.path.join(scratch, 'probe.cpp')
    with open(probe, 'w') as f:
        f.write('#include "%s"\n' % header)
    run = subprocess.run(command + [stage, probe, '-o', os.devnull], cwd=directory, capture_output=True, text=True)
    return run.returncode == 0, run.stderr


def not_found(stderr, header):
    # GCC: "fatal error: ui/Palette.h: No such file or directory"; Clang:
    # "fatal error: 'ui/Palette.h' file not found".
    return re.search(r"fatal error: '?%s'?:? (No such file or directory|file not found)" % re.escape(header),
                     stderr) is not None


def main():
    commands_file, src = sys.argv[1], os.path.realpath(sys.argv[2])
    with open(commands_file) as f:
        entries = json.load(f)
    for entry in entries:
        entry['file'] = os.path.realpath(os.path.join(entry['directory'], entry['file']))
    libraries = sorted(l for l in os.listdir(src) if l in MAY_USE)
    headers = {l: a_header(src, l) for l in libraries}
    wrong, checked = [], 0
    with tempfile.TemporaryDirectory() as scratch:
        for library in libraries:
            command, directory = library_command(entries, src, library)
            if command is None:
                wrong.append('%s: no compiler command for its sources in %s' % (library, commands_file))
                continue
            expected_visible = [headers[library]] + (['platform/Log.h'] if 'platform' in MAY_USE[library] else [])
            for header in expected_visible:
                # Finding a header is the preprocessor's work: stopping there
                # spares parsing Qt's headers for every case.
                ok, stderr = compiles(command, directory, header, scratch, '-E')
                checked += 1
                if not ok:
                    wrong.append('%s cannot include its own or a lower header %s:\n%s' % (library, header, stderr))
            for other in libraries:
                if other == library or other in MAY_USE[library] or not headers[other]:
                    continue
                ok, stderr = compiles(command, directory, headers[other], scratch)
                checked += 1
                if ok:
                    wrong.append('%s compiles an include of %s' % (library, headers[other]))
                elif not not_found(stderr, headers[other]):
                    wrong.append('%s fails on %s for another reason than not finding it:\n%s'
                                 % (library, headers[other], stderr))
    for line in wrong:
        print(line)
    print('include visibility: %d cases, %d wrong' % (checked, len(wrong)))
    sys.exit(1 if wrong else 0)


if __name__ == '__main__':
    main()
