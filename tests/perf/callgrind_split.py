#!/usr/bin/python3
"""Splits callgrind profiles of step_cost into the plug-in's own instructions
and those of what it calls: the stand-in's simulated Win32, the test host.

    callgrind_split.py <ticks> <profile>... [--top N]

Each profile is one case's dump (its trigger names the case).  The plug-in's
own cost is the instructions of its functions (frame/, publish/, players/,
by the source file of each function) plus everything they call in the C
libraries (memset, memcpy); a call from the plug-in into the stand-in or
the host counts, with all beneath it, as theirs.  Prints per case the
instructions per tick of each share and, with --top, the plug-in's costliest
functions.
"""
import re
import sys
from collections import defaultdict

PLUGIN_DIRS = ("/frame/", "/publish/", "/players/")


def owner(obj, path):
    if "/build/" not in obj:  # a shared library: libc, libstdc++, the loader
        return "lib"
    if any(d in path for d in PLUGIN_DIRS):
        return "plug-in"
    if "/win32-standin/" in path:
        return "stand-in"
    if "/testhost/" in path:
        return "host"
    return "harness"


def parse(path):
    """Self cost per function and inclusive cost per call edge."""
    names = {"ob": {}, "fl": {}, "fn": {}}
    trigger = path
    total = 0
    self_cost = defaultdict(int)  # (ob, fl, fn) -> Ir
    calls = defaultdict(int)  # (caller key, callee key) -> inclusive Ir
    ob = fl = fn = None
    cob = cfl = cfn = None
    pending_call = False
    key = None

    def name(kind, text):
        m = re.match(r"\((\d+)\)(?: (.*))?$", text)
        if not m:
            return text
        if m.group(2) is not None:
            names[kind][m.group(1)] = m.group(2)
        return names[kind].get(m.group(1), "?")

    with open(path) as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("desc: Trigger:"):
                trigger = line.split("Client Request:", 1)[-1].strip()
            elif line.startswith("summary:"):
                total = int(line.split()[1])
            elif line.startswith("ob="):
                ob = name("ob", line[3:])
            elif line.startswith(("fl=", "fi=", "fe=")):
                # fi/fe switch the file of inlined lines, not the function's
                n = name("fl", line[3:])
                if line.startswith("fl="):
                    fl = n
            elif line.startswith("fn="):
                fn = name("fn", line[3:])
                key = (ob, fl, fn)
                cob, cfl = ob, fl
            elif line.startswith("cob="):
                cob = name("ob", line[4:])
            elif line.startswith(("cfi=", "cfl=")):
                cfl = name("fl", line[4:])
            elif line.startswith("cfn="):
                cfn = name("fn", line[4:])
            elif line.startswith("calls="):
                pending_call = True
            elif line and (line[0].isdigit() or line[0] in "+-*"):
                parts = line.split()
                cost = int(parts[1]) if len(parts) > 1 else 0
                if pending_call:
                    calls[(key, (cob, cfl, cfn))] += cost
                    pending_call = False
                    cob, cfl = ob, fl
                else:
                    self_cost[key] += cost
    return trigger, total, self_cost, calls


def split(path):
    trigger, total, self_cost, calls = parse(path)
    shares = defaultdict(int)
    per_function = defaultdict(int)
    for (ob, fl, fn), cost in self_cost.items():
        if owner(ob, fl) == "plug-in":
            shares["plug-in"] += cost
            per_function[fn] += cost
    for (caller, callee), cost in calls.items():
        if owner(caller[0], caller[1]) != "plug-in":
            continue
        kind = owner(callee[0], callee[1])
        if kind == "lib":
            shares["plug-in"] += cost
            per_function[caller[2]] += cost
        elif kind in ("stand-in", "host"):
            shares[kind] += cost
    shares["other"] = total - shares["plug-in"] - shares["stand-in"] - shares["host"]
    return trigger, total, shares, per_function


def main():
    args = sys.argv[1:]
    top = 0
    if "--top" in args:
        i = args.index("--top")
        top = int(args[i + 1])
        del args[i : i + 2]
    ticks = int(args[0])
    print("| case | all | plug-in's own | simulated Win32 | test host | harness |")
    print("|---|---:|---:|---:|---:|---:|")
    tops = []
    for path in args[1:]:
        trigger, total, shares, per_function = split(path)
        print("| %s | %d | %d | %d | %d | %d |" % (
            trigger, total / ticks, shares["plug-in"] / ticks,
            shares["stand-in"] / ticks, shares["host"] / ticks,
            shares["other"] / ticks))
        tops.append((trigger, per_function))
    for trigger, per_function in tops if top else []:
        print("\n%s: the plug-in's costliest functions (instructions per tick, "
              "with the C library calls they make)" % trigger)
        for fn, cost in sorted(per_function.items(), key=lambda x: -x[1])[:top]:
            fn = fn.replace("(anonymous namespace)::", "")
            print("  %8d  %s" % (cost / ticks, re.sub(r"\(.*", "", fn)))


main()
