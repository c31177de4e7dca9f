#!/usr/bin/env python3
"""Compiles one language's help pages into a .chm with chmcmd.

usage: build_help.py SOURCE_DIR RESOURCE_H STAGE_DIR OUTPUT_CHM ENCODING CHMCMD SEVENZIP

The pages are copied to STAGE_DIR; with ENCODING other than utf-8 every text file is converted to
it and its "charset=UTF-8" declaration names the new charset (cp932 is declared Shift_JIS, as the
help viewer expects). The topic numbers come from the HELP_TOPIC_* lines of RESOURCE_H, so the
help file and the program share one list. chmcmd's context targets are then made relative
(fix_chm_aliases.py) and the result is written to OUTPUT_CHM.
"""
import os
import re
import shutil
import subprocess
import sys

TEXT = (".htm", ".html", ".hhc", ".hhk", ".hhp", ".css")
CHARSET = {"cp932": "Shift_JIS"}


def main():
    src, resource_h, stage, output, encoding, chmcmd, sevenzip = sys.argv[1:8]
    here = os.path.dirname(os.path.abspath(__file__))
    stage = os.path.abspath(stage)
    shutil.rmtree(stage, ignore_errors=True)
    os.makedirs(stage)
    for name in sorted(os.listdir(src)):
        path = os.path.join(src, name)
        if not name.lower().endswith(TEXT):
            shutil.copy(path, stage)
            continue
        text = open(path, encoding="utf-8").read()
        if encoding != "utf-8":
            text = text.replace("charset=UTF-8", "charset=" + CHARSET.get(encoding, encoding))
        # Strict: a character the code page lacks stops the build rather than turning into "?".
        open(os.path.join(stage, name), "wb").write(text.encode(encoding))
    topics = [line for line in open(resource_h) if re.match(r"#define HELP_TOPIC_\w+\s", line)]
    open(os.path.join(stage, "topics.h"), "w").writelines(topics)

    project = [n for n in os.listdir(stage) if n.endswith(".hhp")][0]
    chm = re.search(r"^Compiled file=(.+?)\s*$", open(os.path.join(stage, project), "rb").read()
                    .decode(encoding), re.M).group(1)
    run = subprocess.run([chmcmd, "--no-html-scan", project], cwd=stage, capture_output=True,
                         text=True, errors="replace")
    if run.returncode != 0 or not os.path.exists(os.path.join(stage, chm)) or \
            "corrupt" in run.stdout + run.stderr:
        sys.exit("chmcmd failed:\n" + run.stdout + run.stderr)
    extract = os.path.join(stage, "extract")
    subprocess.run([sevenzip, "x", "-y", "-o" + extract, os.path.join(stage, chm), "#STRINGS"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run([sys.executable, os.path.join(here, "fix_chm_aliases.py"),
                    os.path.join(stage, chm), os.path.join(extract, "#STRINGS"), stage + "/"],
                   check=True)
    os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
    shutil.copy(os.path.join(stage, chm), output)


main()
