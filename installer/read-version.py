#!/usr/bin/env python3
"""Prints the file version of a Windows program (e.g. 5.0.0.0), read from the
fixed part of its version resource, so that the release files are named after
what the program itself reports."""
import struct
import sys

# The resource's key, then (aligned to 4 bytes) VS_FIXEDFILEINFO: its
# signature, dwStrucVersion, and the file version as two 32-bit halves. The
# key comes first so that the same constant in the program's code is no match.
KEY = 'VS_VERSION_INFO\0'.encode('utf-16-le')
SIGNATURE = struct.pack('<I', 0xFEEF04BD)


def file_version(data: bytes) -> str:
    key = data.find(KEY)
    while key >= 0:
        fixed = data.find(SIGNATURE, key + len(KEY), key + len(KEY) + 4 + len(SIGNATURE))
        if fixed >= 0 and fixed + 16 <= len(data):
            most, least = struct.unpack_from('<II', data, fixed + 8)
            return f'{most >> 16}.{most & 0xFFFF}.{least >> 16}.{least & 0xFFFF}'
        key = data.find(KEY, key + 1)
    raise ValueError('no version resource')


def main() -> int:
    if len(sys.argv) != 2:
        print('usage: read-version.py PROGRAM.exe', file=sys.stderr)
        return 2
    try:
        with open(sys.argv[1], 'rb') as program:
            print(file_version(program.read()))
    except (OSError, ValueError) as error:
        print(f'read-version.py: {sys.argv[1]}: {error}', file=sys.stderr)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
