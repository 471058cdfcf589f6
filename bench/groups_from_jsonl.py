#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Turns `tarnq-cli find --json` output into the groups file compare_groups.py reads.
usage: groups_from_jsonl.py CORPUS_DIR < find.jsonl > groups.json"""
import json
import os
import sys
from collections import defaultdict

root = os.path.abspath(sys.argv[1])
groups = defaultdict(list)
for line in sys.stdin:
    row = json.loads(line)
    path = os.fsdecode(os.fsencode(row["path"]))
    groups[row["group"]].append(os.path.relpath(path, root))
json.dump(list(groups.values()), sys.stdout, ensure_ascii=False)
