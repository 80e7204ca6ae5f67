#!/usr/bin/env python3
# Reads heaptrack_print's list of peak consumers (heaptrack_print -p 1 -n 100000)
# on standard input and prints the peak heap, all of it and without what was
# allocated inside SDL or the GL driver (the renderer, which the show does not
# control). The parts are each site's share at the moment of the peak.
import re
import sys

FOREIGN = re.compile(r'libSDL2|swrast_dri|libGL|libgallium|libLLVM')
UNITS = {'': 1, 'K': 1e3, 'M': 1e6, 'G': 1e9}

text = sys.stdin.read()
total_match = re.search(r'peak heap memory consumption: ([\d.]+)([KMG]?)', text)
total = float(total_match.group(1)) * UNITS[total_match.group(2)]
blocks = re.split(r'\n(?=[\d.]+[KMG]?B? peak memory consumed over)', text)
foreign = 0.0
for block in blocks:
    head = re.match(r'([\d.]+)([KMG]?)B? peak memory consumed over', block)
    if not head:
        continue
    # The first library or source file named in the trace is where the
    # allocation was made.
    places = re.findall(r'^\s*(?:in|at) (/\S+)', block, re.MULTILINE)
    if places and FOREIGN.search(places[0]):
        foreign += float(head.group(1)) * UNITS[head.group(2)]
print(f"heaptrack peak heap: {total / 1e6:.1f} MB in all, {(total - foreign) / 1e6:.1f} MB "
      f"of our own (without allocations made inside SDL and the GL driver)")
